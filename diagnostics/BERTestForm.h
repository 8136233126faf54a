#pragma once

#include "diagnostics/DiagnosticsChannel.h"
#include "diagnostics/TestLineCutter.h"
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
class TOnLineObject;

// The receive test dialog: puts the module into a receive test mode, shows its
// report lines field by field while the receive pump reads them, and resets the
// module when the test is stopped or the dialog closes.
class TBERTestForm : public QDialog {
    Q_OBJECT
public:
    explicit TBERTestForm(MessageSink &messages, QWidget *parent = nullptr);
    ~TBERTestForm() override;

    // Test kind 1 ("Rx BER Test"), 2 ("Tx && Rx BER Test") or 3 ("RSSI Measurement").
    // Takes the channel the slot holds and installs ReceiveTestData as its listener.
    void SetupTest(TChannelSlot &channel, int TestKind);

    // The channel's listener: on the GUI thread during the dialog's own commands,
    // on the receive pump while a test runs.
    void ReceiveTestData(const QByteArray &text, quint16 length);

    bool testRunning() const;
    const QByteArray &TestCommand() const { return m_testCommand; }

    QLineEdit *edit_Test = nullptr;
    QLineEdit *edit_Error = nullptr;
    QLineEdit *edit_Extra = nullptr;
    QLineEdit *edit_Level = nullptr;
    QLineEdit *edit_TotErr = nullptr;
    QLineEdit *edit_TotMiss = nullptr;
    QLineEdit *edit_TotTest = nullptr;
    QPushButton *btn_StartStop = nullptr;
    QPushButton *btn_Close = nullptr;

public Q_SLOTS:
    void btn_StartStopClick();
    void btn_CloseClick();
    // Stops a running test (resetting the module), then closes the dialog.
    void StopTestAndClose();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;  // Escape and the close box end here as well
    void showEvent(QShowEvent *event) override;

private:
    void startTest();
    void stopTest();
    // The stop commands of a closing dialog, when a test runs.
    void FormClose();
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
    void ShowTestLine(const QByteArray &line);
    void showValue(QLineEdit *field, const QString &text);
    TCOM740Object *channel() const;

    MessageSink &m_messages;
    TChannelSlot *m_channel = nullptr;
    int m_testKind = 1;
    QByteArray m_testCommand;
    std::array<QLineEdit *, TestReport::kBerFieldCount> TestFields{};
    // Used by one thread at a time: the GUI thread during the dialog's commands,
    // the pump while a test runs (the pump is started after and joined before them).
    TTestLineCutter m_cutter;
    TestReport::BerValues TestValues;
    bool m_centred = false;
    std::unique_ptr<TOnLineObject> m_pump;
};
