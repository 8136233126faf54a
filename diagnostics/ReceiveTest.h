#pragma once

#include "diagnostics/CommandThread.h"
#include "diagnostics/DiagnosticsChannel.h"
#include "diagnostics/DiagnosticsObserver.h"
#include "diagnostics/LineCutter.h"
#include "diagnostics/Recording.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

class ReceivePump;

// One receive test on one module: puts the module into a test mode, cuts its
// continuous output into report lines while the receive pump reads it, and resets
// the module when stopped. Owns its channel; its commands and its pump run on
// threads of their own and everything it has to say goes to one observer.
class ReceiveTest {
public:
    // Why a stop was asked for: a stop while the dialog closes reports any failure
    // other than a silent module with a text of its own.
    enum class StopReason { Stop, Close };

    // Test kind 1 ("Rx BER Test"), 2 ("Tx && Rx BER Test") or 3 ("RSSI Measurement").
    // Without a channel the test can be fed text but never starts.
    explicit ReceiveTest(int kind, std::unique_ptr<ModuleChannel> channel = {});
    // Opens the port over `line` first; the port's exceptions reach the caller.
    static std::unique_ptr<ReceiveTest> open(int kind, const LineSettings &line, const ChannelFactory &make = {});
    // Cancels a command on the line and waits for it; a running test is left as it is
    // (stop it first to reset the module).
    ~ReceiveTest();
    ReceiveTest(const ReceiveTest &) = delete;
    ReceiveTest &operator=(const ReceiveTest &) = delete;

    // Before the first start or feed; may be null.
    void setObserver(DiagnosticsObserver *observer) { m_observer = observer; }

    int kind() const { return m_kind; }
    // "AT&T" and the kind.
    const QByteArray &testCommand() const { return m_testCommand; }
    Recording::Kind recordingKind() const { return m_kind == 3 ? Recording::Kind::Level : Recording::Kind::Ber; }
    // Whether a line is one of this test's reports.
    bool isReport(const QByteArray &line) const;

    TestState state() const { return m_state.load(); }
    // Whether the port is open; false after a lost line closed it.
    bool isOpen() const { return m_open.load(); }
    // The port the channel was opened on; empty without a channel.
    QString portName() const { return m_portName; }

    // Returns at once; the observer hears how the start ended. Does nothing unless
    // Idle. The test runs until `stop` asks to stop, and then stops (resetting the
    // module); the observer hears that too. A stop while Starting ends the command on
    // the line at once and has the start give up (resetting the module if the test
    // command went out), staying Idle.
    void start(std::stop_token stop);
    // How the next stop is reported (set it before asking `stop` to stop): a stop
    // while the dialog closes reports any failure other than a silent module with a
    // text of its own.
    void setStopReason(StopReason reason) { m_stopReason = reason; }

    // The channel's listener: cuts text into lines and reports them, except the
    // replies to the test's own commands. On one thread at a time.
    void receiveText(const QByteArray &text);

private:
    void runStart(std::stop_token stop);
    void runStop();
    // A stop came while starting: the start's exchange was cancelled.
    void abandonStart(bool testCommandOut);
    // The line's commands run under the owner's token again.
    void ownLine();
    // FlushLine, WakeModem, "ATZ": the module reset that ends a test.
    void resetModule(StopReason reason);
    // The pump ended on a failed read: the port is closed and reported as unavailable.
    void endOnLostLine();
    void stopPump();
    // Runs the test's commands; false (the observer told) when they failed.
    bool runCommands(const std::function<void()> &commands, StopReason reason);
    void setState(TestState state);
    void notifyState();

    const int m_kind;
    const QByteArray m_testCommand;
    std::unique_ptr<ModuleChannel> m_channel;
    QString m_portName;
    DiagnosticsObserver *m_observer = nullptr;
    std::atomic<TestState> m_state{TestState::Idle};
    std::atomic<bool> m_open{false};
    std::atomic<StopReason> m_stopReason{StopReason::Stop};
    // Asked to stop when the owner is going away: cancels every command.
    std::stop_source m_lifetime;
    // One run's: stops its start's commands and its pump, on the owner's stop or the
    // run's. Replaced by the command thread only while no callback below is set.
    std::stop_source m_run;
    struct Callback {
        std::function<void()> call;
        void operator()() const { call(); }
    };
    std::optional<std::stop_callback<Callback>> m_onRunStop;    // the command thread's
    std::optional<std::stop_callback<Callback>> m_onOwnerGone;  // the command thread's
    std::atomic<bool> m_commandsOnLine{false};  // replies are not reports
    std::atomic<bool> m_lineLost{false};        // the pump of this run ended on a failed read
    // Used by one thread at a time: the command thread during commands, the pump
    // while the test runs (the pump starts after and is joined before them).
    LineCutter m_cutter;
    qsizetype m_droppedSeen = 0;
    std::unique_ptr<ReceivePump> m_pump;  // the command thread's
    CommandThread m_commands;  // last: gone before the members its jobs use
};
