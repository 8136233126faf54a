#include "comm/ReplyReader.h"

#include <algorithm>
#include <array>

namespace {

bool isLineBreak(char c) { return c == '\r' || c == '\n'; }

// The echo a command leaves: its text up to its carriage return.
QByteArray echoOf(const QByteArray &command)
{
    QByteArray echo = command;
    while (!echo.isEmpty() && isLineBreak(echo.back()))
        echo.chop(1);
    return echo;
}

} // namespace

ReplyReader::ReplyReader(const QByteArray &command, const ReplyRule &rule, int unanswered)
    : m_echo(echoOf(command)), m_ending(rule.ending), m_numeric(rule.numericCodes), m_unanswered(unanswered)
{
}

bool ReplyReader::isFinalCode(const QByteArray &line, bool numericCodes, ExchangeStatus *status)
{
    static const std::array<QByteArray, 4> kFailures = {"ERROR", "NO CARRIER", "NO DIALTONE", "NO ANSWER"};
    ExchangeStatus found = ExchangeStatus::Error;
    bool isFinal = false;
    if (line == "OK") {
        found = ExchangeStatus::Ok;
        isFinal = true;
    } else if (line == "BUSY" || line.startsWith("CONNECT")) {
        isFinal = true;
    } else if (std::find(kFailures.begin(), kFailures.end(), line) != kFailures.end()) {
        isFinal = true;
    } else if (numericCodes && line.size() == 1) {
        // 0 OK, 1 CONNECT, 3 NO CARRIER, 4 ERROR, 6 NO DIALTONE, 7 BUSY, 8 NO ANSWER (2 is RING).
        const char c = line.front();
        isFinal = c == '0' || c == '1' || c == '3' || c == '4' || c == '6' || c == '7' || c == '8';
        if (c == '0')
            found = ExchangeStatus::Ok;
    }
    if (isFinal && status)
        *status = found;
    return isFinal;
}

bool ReplyReader::add(const QByteArray &bytes)
{
    if (m_ended)
        return true;
    m_buffer += bytes;
    for (;;) {
        qsizetype end = m_scan;
        while (end < m_buffer.size() && !isLineBreak(m_buffer[end]))
            ++end;
        if (end == m_buffer.size())
            break;   // the rest of a line still on its way
        const qsizetype start = m_scan;
        m_scan = end + 1;
        takeLine(start, end);
        if (m_ended)
            break;
    }
    return m_ended;
}

void ReplyReader::takeLine(qsizetype start, qsizetype end)
{
    const QByteArray line = m_buffer.mid(start, end - start);
    if (line.isEmpty())
        return;
    if (!m_echoSeen && line == m_echo) {
        // Whatever came before the echo answered earlier commands.
        m_setAside += m_buffer.mid(m_replyStart, start - m_replyStart);
        m_replyStart = start;
        m_echoSeen = true;
        m_unanswered = 0;
        if (m_ending == ReplyRule::Ending::Echo)
            endAt(end + 1, ExchangeStatus::Ok);
        return;
    }
    ExchangeStatus status = ExchangeStatus::Timeout;
    if (!isFinalCode(line, m_numeric, &status))
        return;   // an information line
    if (!m_echoSeen && m_unanswered > 0) {
        --m_unanswered;
        qsizetype next = std::min(end + 1, m_buffer.size());
        if (next < m_buffer.size() && m_buffer[next - 1] == '\r' && m_buffer[next] == '\n')
            m_scan = ++next;
        m_setAside += m_buffer.mid(m_replyStart, next - m_replyStart);
        m_replyStart = next;
        return;
    }
    endAt(end + 1, status);
}

void ReplyReader::endAt(qsizetype end, ExchangeStatus status)
{
    // A CR LF pair closes the line as one.
    if (end < m_buffer.size() && m_buffer[end - 1] == '\r' && m_buffer[end] == '\n')
        ++end;
    m_end = std::min(end, m_buffer.size());
    m_status = status;
    m_ended = true;
}

QByteArray ReplyReader::reply() const
{
    const qsizetype end = m_ended ? m_end : m_buffer.size();
    return m_buffer.mid(m_replyStart, end - m_replyStart);
}
