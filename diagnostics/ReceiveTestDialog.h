#pragma once

#include "diagnostics/DiagnosticsChannel.h"
#include "diagnostics/LineCutter.h"
#include "diagnostics/TestReport.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class MessageSink;
class QLineEdit;
class QPushButton;
class ReceivePump;

// The receive test dialog: puts the module into a receive test mode, shows its
// report lines field by field while the receive pump reads them, and resets the
// module when the test is stopped or the dialog closes.
class ReceiveTestDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReceiveTestDialog(MessageSink &messages, QWidget *parent = nullptr);
    ~ReceiveTestDialog() override;

    // Test kind 1 ("Rx BER Test"), 2 ("Tx && Rx BER Test") or 3 ("RSSI Measurement").
    // Takes the channel the slot holds and installs receiveTestData as its listener.
    void setupTest(ChannelSlot &channel, int testKind);

    // The channel's listener: on the GUI thread during the dialog's own commands,
    // on the receive pump while a test runs.
    void receiveTestData(const QByteArray &text, quint16 length);

    bool testRunning() const;
    const QByteArray &testCommand() const { return m_testCommand; }

    // The seven report fields in the order of a report line, and the two buttons.
    QLineEdit *testField() const { return m_fields[0]; }
    QLineEdit *errorField() const { return m_fields[1]; }
    QLineEdit *extraField() const { return m_fields[2]; }
    QLineEdit *levelField() const { return m_fields[3]; }
    QLineEdit *totalErrorField() const { return m_fields[4]; }
    QLineEdit *totalMissField() const { return m_fields[5]; }
    QLineEdit *totalTestField() const { return m_fields[6]; }
    QPushButton *startStopButton() const { return m_startStop; }
    QPushButton *closeButton() const { return m_close; }

public Q_SLOTS:
    // Start or Stop, as the button reads.
    void toggleTest();
    void closeDialog();
    // Stops a running test (resetting the module), then closes the dialog.
    void stopTestAndClose();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;  // Escape and the close box end here as well
    void showEvent(QShowEvent *event) override;

private:
    void startTest();
    void stopTest();
    // The stop commands of a closing dialog, when a test runs.
    void stopOnClose();
    // Runs module commands under the hourglass; the message for their failure, if any.
    std::optional<QString> attempt(const std::function<void()> &commands, bool closing);
    void report(const std::optional<QString> &failure);
    // FlushLine, WakeModem, "ATZ": the module reset that ends a test.
    void resetModule();
    // Stops the receive pump and waits until its current poll is over.
    void stopPump();
    // The pump ended on a failed read: the port is closed and reported like one
    // that cannot be opened.
    void endOnLostLine();
    void setRunning(bool running);
    void showTestLine(const QByteArray &line);
    void showValue(QLineEdit *field, const QString &text);
    ModuleChannel *channel() const;

    MessageSink &m_messages;
    ChannelSlot *m_channel = nullptr;
    int m_testKind = 1;
    QByteArray m_testCommand;
    std::array<QLineEdit *, TestReport::kBerFieldCount> m_fields{};
    QPushButton *m_startStop = nullptr;
    QPushButton *m_close = nullptr;
    // Used by one thread at a time: the GUI thread during the dialog's commands,
    // the pump while a test runs (the pump is started after and joined before them).
    LineCutter m_cutter;
    TestReport::BerValues m_values;
    bool m_centred = false;
    std::unique_ptr<ReceivePump> m_pump;
};
