#pragma once

#include "comm/LineSettings.h"
#include "comm/PortBindings.h"

#include <QDialog>
#include <QStringList>

#include <array>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Edits the PC side of the serial line in place, and binds the checked COM slot to a
// serial device or to a port behind a device server (rfc2217://host:port), kept in
// PortBindings when OK is pressed. Created anew each time it
// is opened.
class PortSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // Each COM item's tooltip names the device that the port opens.
    explicit PortSettingsDialog(QWidget *parent = nullptr);

    // Remembers the line and shows its port, rate and format.
    void edit(LineSettings &line);

    QGroupBox *comPortBox() const { return m_comPortBox; }
    QButtonGroup *comPortButtons() const { return m_comPortButtons; }
    // Each item holds its value as item data: bit/s, data bits, stop bits, Parity.
    QComboBox *baudRateList() const { return m_baudRateList; }
    QComboBox *dataBitsList() const { return m_dataBitsList; }
    QComboBox *stopBitsList() const { return m_stopBitsList; }
    QComboBox *parityList() const { return m_parityList; }
    // The serial devices present, each with its path as item data.
    QComboBox *deviceList() const { return m_deviceList; }
    // The device the checked slot is bound to; empty for the slot's default device.
    QLineEdit *devicePathField() const { return m_devicePath; }
    // The network port the checked slot is bound to; empty when it opens a device.
    QLineEdit *networkPortField() const { return m_networkPort; }
    // Why the typed network port cannot be used; hidden while it can.
    QLabel *networkPortProblem() const { return m_networkProblem; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void storeChoices();
    void showBinding(int slot);
    void takeListedDevice(int item);
    void keepTypedPath(const QString &path);
    void keepTypedNetworkPort(const QString &address);

private:
    // Shows why `address` is no network port (and keeps OK from taking it); hides
    // the reason for a usable or empty one.
    void showNetworkProblem(const QString &address);

    LineSettings *m_line = nullptr;
    QGroupBox *m_comPortBox = nullptr;
    QButtonGroup *m_comPortButtons = nullptr;
    QComboBox *m_baudRateList = nullptr;
    QComboBox *m_dataBitsList = nullptr;
    QComboBox *m_stopBitsList = nullptr;
    QComboBox *m_parityList = nullptr;
    QComboBox *m_deviceList = nullptr;
    QLineEdit *m_devicePath = nullptr;
    QLineEdit *m_networkPort = nullptr;
    QLabel *m_networkProblem = nullptr;
    PortBindings m_bindings;
    std::array<QString, 8> m_pendingBindings;   // as typed, per slot; stored on OK
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
