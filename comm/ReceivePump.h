#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

class ModuleChannel;

// The receive pump of the diagnostics: reads a channel on its own thread until
// asked to stop; each piece read reaches the channel's listener on that thread.
// Between pieces it waits in a read that a stop request ends, so it neither spins
// nor keeps the stop waiting. Created running.
class ReceivePump {
public:
    // The pump stops once `stop` asks to, or stop() or requestStop() is called; while
    // it runs the channel reads under the pump's own token, and gets back the token it
    // had once the pump has ended. `lineLost` runs on the pump's thread when a failed
    // read (the device hung up or vanished) or a failure (an exception, see failure())
    // has ended the pump; may be empty.
    explicit ReceivePump(ModuleChannel &channel, std::stop_token stop = {}, std::function<void()> lineLost = {});
    // Stops and waits, like stop().
    ~ReceivePump();
    ReceivePump(const ReceivePump &) = delete;
    ReceivePump &operator=(const ReceivePump &) = delete;

    // Asks the pump to end, which ends the read it waits in; does not wait.
    // Thread-safe.
    void requestStop() { m_stop.request_stop(); }
    // Asks the pump to end and waits until it has, so the port is free for the
    // caller afterwards. Called on the pump's own thread it only asks.
    void stop();
    bool stopRequested() const { return m_stop.stop_requested(); }
    bool isRunning() const { return m_running.load(); }
    // The message of the failure that ended the pump (a listener or the line raised);
    // empty when none did. Set before `lineLost` runs.
    QString failure() const;

private:
    struct RequestStop {
        std::stop_source *source;
        void operator()() const { source->request_stop(); }
    };

    void run();
    void end(const QString &failure);

    ModuleChannel &m_channel;
    const std::stop_token m_channelStop;  // the channel's own, given back after the pump
    mutable std::mutex m_failureMutex;
    QString m_failure;
    std::function<void()> m_lineLost;
    std::stop_source m_stop;
    // After the source they stop: gone before it.
    std::optional<std::stop_callback<RequestStop>> m_onStop;
    std::optional<std::stop_callback<RequestStop>> m_onChannelStop;
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};
