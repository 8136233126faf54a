#pragma once

#include "settings/Types.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;

// Edits the PC-side serial settings in place. Created anew each time it is opened.
class TSerialSettingsForm : public QDialog {
    Q_OBJECT
public:
    // Each COM item's tooltip names the device that the port opens.
    explicit TSerialSettingsForm(QWidget *parent = nullptr);

    // Remembers the record and shows its five indices.
    void GetSerialDetails(PortSettings &settings);

    QGroupBox *rg_ComPort = nullptr;
    QButtonGroup *rg_ComPortButtons = nullptr;   // ids 0..7 are the item indices
    QComboBox *Combo_DataRate = nullptr;
    QComboBox *Combo_DataBits = nullptr;
    QComboBox *Combo_StopBits = nullptr;
    QComboBox *Combo_Parity = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *btn_Cancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void BitBtn2Click();

private:
    PortSettings *m_settings = nullptr;
};
