#include "comm/ModuleChannel.h"

#include <chrono>
#include <thread>

std::atomic<char> escapeCharacter{'+'};

QByteArray escapeSequence() { return QByteArray(3, escapeCharacter.load()); }

ModuleReplyError ModuleReplyError::badReply()
{
    return ModuleReplyError(QStringLiteral("Error communicating with 740R-B. The module did not respond correctly."));
}

ModuleReplyError ModuleReplyError::cannotWake()
{
    return ModuleReplyError(QStringLiteral("Error communicating with 740R-B. Unable to wake modem."));
}

namespace {
// The wake-up treats "0\r" anywhere as the numeric answer, a looser test than sendCommand()'s.
bool answered(const QByteArray &reply) { return reply.contains("OK") || reply.contains("0\r"); }
constexpr auto kFlushSettle = std::chrono::milliseconds(100);
} // namespace

ModuleChannel::ModuleChannel(const PortSettings &settings, std::unique_ptr<SerialPortLayer> layer)
    : ModuleChannel(lineSettingsFor(settings), std::move(layer))
{
}

ModuleChannel::ModuleChannel(const LineSettings &settings, std::unique_ptr<SerialPortLayer> layer)
    : m_line(std::move(layer))
{
    m_line.setLineSettings(settings);
    m_line.setReceiveHandler([this](const QByteArray &text, quint16 length) { receive(text, length); });
    m_line.open();
}

ModuleChannel::~ModuleChannel() { m_line.close(); }

void ModuleChannel::setReceiveHandler(ReceiveHandler listener) { m_listener = std::move(listener); }

bool ModuleChannel::exchange(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    m_replied = false;
    m_line.transact(command, expected, T);
    return m_replied;
}

void ModuleChannel::receive(const QByteArray &text, quint16 length)
{
    m_replied = true;
    m_lastReply = text;
    if (m_listener)
        m_listener(text, length);
}

bool ModuleChannel::sendCommand(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    // A command that never went out is not answered by the previous exchange's reply.
    if (!exchange(command, expected, T))
        throw ModuleReplyError::badReply();
    if (m_lastReply.contains("\r0\r") || m_lastReply == "0\r")
        return false;
    if (!m_lastReply.isEmpty() && m_lastReply.contains(expected))
        return true;
    throw ModuleReplyError::badReply();
}

void ModuleChannel::send(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    // Callers that cannot judge the reply (a quiet module) still rely on the write.
    if (!exchange(command, expected, T))
        throw ModuleReplyError::badReply();
}

void ModuleChannel::wakeModem()
{
    try {
        sendCommand("\r", "OK", 50);
        return;
    } catch (const ExchangeCancelled &) {
        throw;
    } catch (const Exception &) {
        // no or wrong answer, or no CTS: try the escape sequence
    }
    // Only a reply to this very attempt counts, not one left from before a failed write.
    if (exchange(escapeSequence(), "OK", 50) && answered(m_lastReply))
        return;
    if (exchange(escapeSequence(), "OK", 50) && answered(m_lastReply))
        return;
    if (!(exchange("\r", "OK", 10) && answered(m_lastReply)))
        throw ModuleReplyError::cannotWake();
}

void ModuleChannel::flushLine()
{
    send("\r", QByteArray(), 5);
    std::this_thread::sleep_for(kFlushSettle);
    m_line.purge();
}

bool ModuleChannel::poll() { return m_line.poll(); }
