#include "comm/ReceivePump.h"

#include "comm/Exception.h"
#include "comm/ModuleChannel.h"

ReceivePump::ReceivePump(ModuleChannel &channel, std::stop_token stop, std::function<void()> lineLost)
    : m_channel(channel), m_channelStop(channel.line().stopToken()), m_lineLost(std::move(lineLost))
{
    // An owner whose own token stops takes the pump with it.
    m_onStop.emplace(std::move(stop), RequestStop{&m_stop});
    m_onChannelStop.emplace(m_channelStop, RequestStop{&m_stop});
    m_channel.setStopToken(m_stop.get_token());
    m_thread = std::thread([this] { run(); });
}

ReceivePump::~ReceivePump() { stop(); }

void ReceivePump::stop()
{
    requestStop();
    if (!m_thread.joinable() || m_thread.get_id() == std::this_thread::get_id())
        return;
    m_thread.join();
    // The line is the caller's again, under the caller's token.
    m_onStop.reset();
    m_onChannelStop.reset();
    m_channel.setStopToken(m_channelStop);
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
        while (!m_stop.stop_requested()) {
            // A line that is gone answers every read at once: reading on would spin.
            if (!m_channel.line().pollUntilStopped()) {
                if (!m_stop.stop_requested())
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
