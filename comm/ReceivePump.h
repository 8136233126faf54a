#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class ModuleChannel;

// The receive pump of the diagnostics: reads a channel on its own thread until
// asked to stop; each piece read reaches the channel's listener on that thread.
// Between pieces it waits in a read that a stop request interrupts, so it neither
// spins nor keeps the stop waiting. Created running.
class ReceivePump {
public:
    // `lineLost` runs on the pump's thread when a failed read (the device hung up or
    // vanished) or a failure (an exception, see failure()) has ended the pump; may be empty.
    explicit ReceivePump(ModuleChannel &channel, std::function<void()> lineLost = {});
    // Stops and waits, like stop().
    ~ReceivePump();
    ReceivePump(const ReceivePump &) = delete;
    ReceivePump &operator=(const ReceivePump &) = delete;

    // Asks the pump to end and interrupts the read it waits in; does not wait.
    // Thread-safe.
    void requestStop();
    // Asks the pump to end and waits until it has, so the port is free for the
    // caller afterwards. Called on the pump's own thread it only asks.
    void stop();
    bool stopRequested() const { return m_stop.load(); }
    bool isRunning() const { return m_running.load(); }
    // The message of the failure that ended the pump (a listener or the line raised);
    // empty when none did. Set before `lineLost` runs.
    QString failure() const;

private:
    void run();
    void end(const QString &failure);

    ModuleChannel &m_channel;
    mutable std::mutex m_failureMutex;
    QString m_failure;
    std::function<void()> m_lineLost;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};
