#pragma once

#include "comm/LineSettings.h"
#include "comm/SerialLine.h"
#include "diagnostics/DiagnosticsChannel.h"
#include "diagnostics/DiagnosticsObserver.h"
#include "diagnostics/TransmitTest.h"
#include "ui/WaitCursor.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class MessageSink;
class QAction;
class QWidget;
class ReceiveTestDialog;

inline const QString kStartTxBerCaption = QStringLiteral("Start Tx BER Test");
inline const QString kStopTxBerCaption = QStringLiteral("Stop Tx BER Test");

// A receive test of the Diagnostics menu: opens the port, runs the receive test
// dialog modally on it; the port closes with the dialog.
class ReceiveTestCommand {
public:
    explicit ReceiveTestCommand(MessageSink &messages, QWidget *parent = nullptr, ChannelFactory makeChannel = {});

    // Test kind 1, 2 or 3. A port that cannot be opened is reported with the port's
    // own text and no dialog is shown.
    void run(int testKind, const LineSettings &line);

    // The module the test is of, as the saved CSV names it.
    void setModuleName(const QString &name) { m_moduleName = name; }

    // Called with the dialog once it is set up, right before it is shown.
    void setDialogReadyHandler(std::function<void(ReceiveTestDialog &)> handler)
    {
        m_onDialogReady = std::move(handler);
    }

private:
    MessageSink &m_messages;
    QWidget *m_parent;
    ChannelFactory m_makeChannel;
    std::function<void(ReceiveTestDialog &)> m_onDialogReady;
    QString m_moduleName;
};

// The Diagnostics menu's transmit test item: starts and stops the transmit test it
// owns, and its caption shows whether the test runs. While a command is on the line
// the item is disabled and the hourglass shown; the window stays usable.
class TransmitTestItem : public QObject, private DiagnosticsObserver {
    Q_OBJECT
public:
    // replies: the window's log, on the test's thread.
    TransmitTestItem(QAction *item, MessageSink &messages, const QString &modelName, ReceiveHandler replies,
                     ChannelFactory makeChannel = {});
    // Waits for a command on the line, cancelled: at most one read's time-outs.
    ~TransmitTestItem() override;

    // Starts the test when it does not run, stops it otherwise.
    void toggle(const LineSettings &line);
    const TransmitTest &test() const { return m_test; }
    // Whether the module transmits the test pattern as far as the window knows.
    bool isRunning() const { return m_shown == TestState::Running; }

Q_SIGNALS:
    // The test has started (true) or stopped (false).
    void runningChanged(bool running);

private:
    void stateChanged(TestState state, const QDateTime &at) override;
    void failed(const QString &message, FailureKind kind) override;
    void lineLost(const QString &message) override;
    void showState(TestState state);

    QPointer<QAction> m_item;
    MessageSink &m_messages;
    std::optional<WaitCursor> m_wait;
    std::optional<QString> m_failure;  // shown once the test settles
    TestState m_shown = TestState::Idle;
    QString m_port;   // the line of the last start or stop, for the journal
    TransmitTest m_test;  // last: its thread calls back into the members above
};
