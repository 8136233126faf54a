#pragma once

#include "comm/ReplyRule.h"

#include <QByteArray>

// Reads one command's reply as it arrives: splits it into lines, recognises the
// command's echo, information lines and the final result code, and says when the
// reply has ended. A final code that arrives before the echo while earlier commands
// are still unanswered is theirs: it is set aside, as is everything before the echo.
class ReplyReader {
public:
    // `unanswered`: how many earlier commands ended without their final code.
    ReplyReader(const QByteArray &command, const ReplyRule &rule, int unanswered);

    // Takes the next bytes received; true once the reply has ended. Bytes after
    // the end are noise and not kept.
    bool add(const QByteArray &bytes);
    bool ended() const { return m_ended; }
    // Ok or Error once ended by a final code (an echo ending is Ok); Timeout before.
    ExchangeStatus status() const { return m_status; }
    // The reply of this command: from its echo (or the first byte not set aside) to
    // the end of its final result code's line.
    QByteArray reply() const;
    // What arrived but belongs to earlier commands.
    const QByteArray &setAside() const { return m_setAside; }
    // Earlier commands still waiting for their final code afterwards.
    int unanswered() const { return m_unanswered; }

    // The status a final result code line stands for; nothing for other lines.
    static bool isFinalCode(const QByteArray &line, bool numericCodes, ExchangeStatus *status = nullptr);

private:
    void takeLine(qsizetype start, qsizetype end);
    void endAt(qsizetype end, ExchangeStatus status);

    QByteArray m_echo;
    ReplyRule::Ending m_ending;
    bool m_numeric;
    int m_unanswered;
    QByteArray m_buffer;
    QByteArray m_setAside;
    qsizetype m_replyStart = 0;
    qsizetype m_scan = 0;
    qsizetype m_end = -1;
    bool m_echoSeen = false;
    bool m_ended = false;
    ExchangeStatus m_status = ExchangeStatus::Timeout;
};
