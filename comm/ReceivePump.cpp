#include "comm/ReceivePump.h"

#include "comm/ModuleChannel.h"

#include <QMetaObject>

ReceivePump::ReceivePump(ModuleChannel &channel, std::function<void()> lineLost)
    : m_channel(channel), m_lineLost(std::move(lineLost))
{
    m_thread = std::thread([this] { run(); });
}

ReceivePump::~ReceivePump() { stop(); }

void ReceivePump::requestStop() { m_stop.store(true); }

void ReceivePump::stop()
{
    requestStop();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void ReceivePump::run()
{
    try {
        while (!m_stop.load()) {
            // A line that is gone answers every read at once: polling on would spin.
            if (!m_channel.poll()) {
                if (m_lineLost)
                    m_lineLost();
                break;
            }
        }
    } catch (...) {
        // A listener that fails ends the pump; nothing may escape a thread body.
    }
    m_running.store(false);
}

void ReceivePump::showText(QObject *control, const QString &text, std::function<void(const QString &)> apply)
{
    if (!control || !apply)
        return;
    QMetaObject::invokeMethod(control, [apply = std::move(apply), text] { apply(text); }, Qt::QueuedConnection);
}
