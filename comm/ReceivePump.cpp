#include "comm/ReceivePump.h"

#include "comm/Exception.h"
#include "comm/ModuleChannel.h"

#include <QMetaObject>

ReceivePump::ReceivePump(ModuleChannel &channel, std::function<void()> lineLost)
    : m_channel(channel), m_lineLost(std::move(lineLost))
{
    m_thread = std::thread([this] { run(); });
}

ReceivePump::~ReceivePump() { stop(); }

void ReceivePump::requestStop()
{
    m_stop.store(true);
    // A pump that has ended leaves the line alone: nothing would clear this interrupt.
    if (m_running.load())
        m_channel.line().interrupt();
}

void ReceivePump::stop()
{
    requestStop();
    if (!m_thread.joinable() || m_thread.get_id() == std::this_thread::get_id())
        return;
    m_thread.join();
    // The line is the caller's again; a cancelled owner keeps its interrupt.
    if (!m_channel.line().cancelRequested())
        m_channel.line().clearInterrupt();
}

QString ReceivePump::failure() const
{
    std::lock_guard lock(m_failureMutex);
    return m_failure;
}

void ReceivePump::end(const QString &failure)
{
    {
        std::lock_guard lock(m_failureMutex);
        m_failure = failure;
    }
    if (m_lineLost)
        m_lineLost();
}

void ReceivePump::run()
{
    try {
        while (!m_stop.load()) {
            // A line that is gone answers every read at once: reading on would spin.
            if (!m_channel.line().pollUntilInterrupted()) {
                if (!m_stop.load())
                    end({});
                break;
            }
        }
    } catch (const Exception &e) {
        end(e.message());
    } catch (const std::exception &e) {
        end(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        end(QStringLiteral("The receive test stopped on an unknown failure."));
    }
    m_running.store(false);
}
