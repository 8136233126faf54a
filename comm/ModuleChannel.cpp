#include "comm/ModuleChannel.h"

#include <chrono>


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
// The later wake attempts of the silence-ended reading treat "0\r" anywhere as the
// numeric answer, a looser test than command()'s.
bool answered(const QByteArray &reply) { return reply.contains("OK") || reply.contains("0\r"); }
constexpr auto kFlushSettle = std::chrono::milliseconds(100);
} // namespace

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
    if (m_onSend && !command.isEmpty())
        m_onSend(command);
    return m_line.exchange(command, rule);
}

// The plain "\r" and the two escapes, in either pace.
constexpr int kWakeAttempts = 3;

void ModuleChannel::wakeAttempt(int attempt) const
{
    if (m_onWake)
        m_onWake(attempt, kWakeAttempts);
}

void ModuleChannel::receive(const QByteArray &text, quint16 length)
{
    m_replied = true;
    m_lastReply = text;
    if (m_listener)
        m_listener(text, length);
}

QByteArray ModuleChannel::command(const QByteArray &command, const ReplyRule &rule)
{
    const ExchangeResult result = deliver(command, rule);
    // A module in quiet mode sends no result code: a reply that ran to its deadline
    // holding the rule's expected text is whole all the same.
    bool accepted = result.ok() || (result.status == ExchangeStatus::Timeout && !rule.expected.isEmpty()
                                    && result.reply.contains(rule.expected));
    if (m_line.pace() == ReplyPace::Silence) {
        // Silence-ended replies carry no final code to go by: the expected text
        // counts wherever it stands, as does a numeric "OK".
        accepted = isNumericOk(result.reply) || (!rule.expected.isEmpty() && result.reply.contains(rule.expected));
    }
    if (!accepted)
        throw ModuleReplyError::badReply();
    return result.reply;
}

ExchangeResult ModuleChannel::deliver(const QByteArray &command, const ReplyRule &rule)
{
    m_replied = false;
    const ExchangeResult result = exchange(command, rule);
    if (result.status == ExchangeStatus::Cancelled)
        throw ExchangeCancelled();
    // A command that never went out is not answered by the previous exchange's reply.
    if (!m_replied)
        throw ModuleReplyError::badReply();
    return result;
}

ExchangeStatus ModuleChannel::tryWake()
{
    return m_line.pace() == ReplyPace::Silence ? wakeUntilSilence() : wakeToFinalCode();
}

ExchangeStatus ModuleChannel::wakeToFinalCode()
{
    using Clock = std::chrono::steady_clock;
    ExchangeResult result;
    const auto probed = m_line.port() ? m_line.port()->now() : Clock::now();
    wakeAttempt(1);
    try {
        result = exchange("\r", ReplyRule::probe(m_guard));
    } catch (const Exception &) {
        // no CTS yet: the escape sequence may still get through
    }
    if (result.status == ExchangeStatus::Cancelled || result.ok())
        return result.status;
    // The probe's wait was the silence before the escape, unless a reply cut it short.
    if (m_line.port()) {
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(m_line.port()->now() - probed);
        if (waited < m_guard && !m_line.pause(m_guard - waited) && m_line.cancelRequested())
            return ExchangeStatus::Cancelled;
    }
    // Each attempt waits out the guard time after it and the answer: the silence
    // before the next one.
    const QByteArray escape(3, escapeCharacter());
    for (int attempt = 0; attempt < 2; ++attempt) {
        wakeAttempt(attempt + 2);
        result = exchange(escape, ReplyRule::escape(m_guard));
        if (result.status == ExchangeStatus::Cancelled || result.ok())
            return result.status;
    }
    return result.status;
}

ExchangeStatus ModuleChannel::wakeUntilSilence()
{
    ExchangeResult result;
    wakeAttempt(1);
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
        wakeAttempt(attempt + 2);
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
    // The test mode's output is no reply: one short read whatever the pace.
    deliver("\r", ReplyRule::lineChange());
    if (!m_line.pause(kFlushSettle) && m_line.cancelRequested())
        throw ExchangeCancelled();
    m_line.purge();
}
