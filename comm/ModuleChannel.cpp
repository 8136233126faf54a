#include "comm/ModuleChannel.h"

#include <chrono>

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
bool isNumericOk(const QByteArray &reply) { return reply.contains("\r0\r") || reply == "0\r"; }
// The later wake attempts treat "0\r" anywhere as the numeric answer, a looser test
// than sendCommand()'s.
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

ExchangeResult ModuleChannel::exchange(const QByteArray &command, const ReplyRule &rule)
{
    return m_line.exchange(command, rule);
}

bool ModuleChannel::deliveredReply(const QByteArray &command, const QByteArray &expected, unsigned T)
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
    if (!deliveredReply(command, expected, T))
        throw ModuleReplyError::badReply();
    if (isNumericOk(m_lastReply))
        return false;
    if (!m_lastReply.isEmpty() && m_lastReply.contains(expected))
        return true;
    throw ModuleReplyError::badReply();
}

void ModuleChannel::send(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    // Callers that cannot judge the reply (a quiet module) still rely on the write.
    if (!deliveredReply(command, expected, T))
        throw ModuleReplyError::badReply();
}

char ModuleChannel::escapeCharacter() const { return m_escape ? *m_escape : ::escapeCharacter.load(); }

ExchangeStatus ModuleChannel::tryWake()
{
    ExchangeResult result;
    try {
        result = exchange("\r", ReplyRule::shortReply("OK", 50));
    } catch (const Exception &) {
        // no CTS yet: the escape sequence may still get through
    }
    if (result.status == ExchangeStatus::Cancelled)
        return result.status;
    if (!result.reply.isEmpty() && (result.reply.contains("OK") || isNumericOk(result.reply)))
        return ExchangeStatus::Ok;
    // The escape answer may come after data still queued in the module: long reads,
    // whatever the escape character. Only a reply to this very attempt counts, not
    // one left from before a failed write.
    const QByteArray escape(3, escapeCharacter());
    for (int attempt = 0; attempt < 2; ++attempt) {
        result = exchange(escape, ReplyRule::longReply("OK", 50));
        if (result.status == ExchangeStatus::Cancelled)
            return result.status;
        if (answered(result.reply))
            return ExchangeStatus::Ok;
    }
    result = exchange("\r", ReplyRule::shortReply("OK", 10));
    if (result.status == ExchangeStatus::Cancelled || answered(result.reply))
        return result.status == ExchangeStatus::Cancelled ? result.status : ExchangeStatus::Ok;
    return result.status == ExchangeStatus::Ok ? ExchangeStatus::Timeout : result.status;
}

void ModuleChannel::wakeModem()
{
    switch (tryWake()) {
    case ExchangeStatus::Ok:
        return;
    case ExchangeStatus::Cancelled:
        throw ExchangeCancelled();
    default:
        throw ModuleReplyError::cannotWake();
    }
}

void ModuleChannel::flushLine()
{
    send("\r", QByteArray(), 5);
    if (!m_line.pause(kFlushSettle) && m_line.cancelRequested())
        throw ExchangeCancelled();
    m_line.purge();
}

bool ModuleChannel::poll() { return m_line.poll(); }
