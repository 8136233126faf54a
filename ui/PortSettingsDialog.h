#pragma once

#include "settings/Types.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;

// Edits the PC-side serial settings in place. Created anew each time it is opened.
class PortSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // Each COM item's tooltip names the device that the port opens.
    explicit PortSettingsDialog(QWidget *parent = nullptr);

    // Remembers the record and shows its five indices.
    void edit(PortSettings &settings);

    QGroupBox *comPortBox() const { return m_comPortBox; }
    QButtonGroup *comPortButtons() const { return m_comPortButtons; }
    QComboBox *baudRateList() const { return m_baudRateList; }
    QComboBox *dataBitsList() const { return m_dataBitsList; }
    QComboBox *stopBitsList() const { return m_stopBitsList; }
    QComboBox *parityList() const { return m_parityList; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void storeChoices();

private:
    PortSettings *m_settings = nullptr;
    QGroupBox *m_comPortBox = nullptr;
    QButtonGroup *m_comPortButtons = nullptr;
    QComboBox *m_baudRateList = nullptr;
    QComboBox *m_dataBitsList = nullptr;
    QComboBox *m_stopBitsList = nullptr;
    QComboBox *m_parityList = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
