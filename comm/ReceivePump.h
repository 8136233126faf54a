#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

class ModuleChannel;

// The receive pump of the diagnostics: polls a channel on its own thread until
// asked to stop; each piece read reaches the channel's listener on that thread.
// Created running.
class ReceivePump {
public:
    // `lineLost` runs on the pump's thread when a failed read (the device hung up or
    // vanished) has ended the pump; may be empty.
    explicit ReceivePump(ModuleChannel &channel, std::function<void()> lineLost = {});
    // Stops and waits, like stop().
    ~ReceivePump();
    ReceivePump(const ReceivePump &) = delete;
    ReceivePump &operator=(const ReceivePump &) = delete;

    // Asks the pump to end after its current poll; does not wait.
    void requestStop();
    // Asks the pump to end and waits until its current poll is over, so the port
    // is free for the caller afterwards. Called on the pump's own thread it only asks.
    void stop();
    bool stopRequested() const { return m_stop.load(); }
    bool isRunning() const { return m_running.load(); }

    // Has `apply(text)` run on the thread of `control` (the GUI thread) to show text
    // there. Posted, not waited for: the GUI thread may itself be blocked in stop()
    // waiting for this pump, and a blocking hand-off would then never return. The
    // text is copied; if `control` is destroyed before the call runs, it is dropped.
    static void showText(QObject *control, const QString &text, std::function<void(const QString &)> apply);

private:
    void run();

    ModuleChannel &m_channel;
    std::function<void()> m_lineLost;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};
