#pragma once

#include "comm/SerialLine.h"
#include "diagnostics/CommandThread.h"
#include "diagnostics/DiagnosticsChannel.h"
#include "diagnostics/DiagnosticsObserver.h"

#include <QString>

#include <atomic>
#include <stop_token>

// The transmit bit-error-rate test. Started and stopped on a channel of its own each
// time; in between no port is open and the module transmits on its own, so whether
// the test runs is what this object remembers of its last successful command.
// The commands run on a thread of their own; the observer hears how they ended.
class TransmitTest {
public:
    // modelName: the product's model, named in the failure messages.
    explicit TransmitTest(const QString &modelName, ChannelFactory makeChannel = {});
    // Cancels a command on the line and waits for it.
    ~TransmitTest();
    TransmitTest(const TransmitTest &) = delete;
    TransmitTest &operator=(const TransmitTest &) = delete;

    // Before the first command; may be null.
    void setObserver(DiagnosticsObserver *observer) { m_observer = observer; }
    // Every reply of the module as the channel delivers it (the window shows them in
    // its log); runs on the command thread. Before the first command.
    void setReplyHandler(ReceiveHandler handler) { m_replies = std::move(handler); }

    // Stops the test when it runs, starts it otherwise. Returns at once.
    void toggle(const LineSettings &line);
    void start(const LineSettings &line);
    void stop(const LineSettings &line);

    // Whether the last start succeeded and no stop since: the menu shows it.
    bool isRunning() const { return m_running.load(); }
    TestState state() const { return m_state.load(); }

private:
    void run(bool starting, const LineSettings &line);
    void setState(TestState state);

    const QString m_modelName;
    const ChannelFactory m_makeChannel;
    DiagnosticsObserver *m_observer = nullptr;
    ReceiveHandler m_replies;
    std::atomic<bool> m_running{false};
    std::atomic<TestState> m_state{TestState::Idle};
    // Asked to stop when the owner is going away: cancels the command on the line.
    std::stop_source m_lifetime;
    CommandThread m_commands;  // last: gone before the members its jobs use
};
