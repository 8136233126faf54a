#pragma once

#include <QByteArray>

// How the reply to one command is read and judged.
struct ReplyRule {
    enum class Framing {
        Short,   // the expected text and a little more per read, up to 20 reads
        Long     // 255-byte reads, up to 10: listings, identification, the escape answer
    };

    // Text whose arrival ends the reply as a success. Empty: exactly one read,
    // whatever it brings counts as the reply.
    QByteArray expected;
    Framing framing = Framing::Short;
    // ms: the silence after a character that ends a read, and the constant part of
    // a read's total time (3 ms per requested byte on top).
    unsigned T = 100;
    // A line "ERROR" (and with numericCodes its numeric form "4\r" / "\r4\r") ends
    // the exchange at once as a failure.
    bool errorEnds = true;
    // The numeric result codes count: "0\r" or "\r0\r" ends the reply as a success.
    bool numericCodes = true;
    // Read interval at 1200 bit/s, where the module pauses longer than T inside its
    // listing; 0 keeps T.
    unsigned slowLineInterval = 0;

    static ReplyRule shortReply(QByteArray expected, unsigned T);
    static ReplyRule longReply(QByteArray expected, unsigned T);
    // The module's listing ("AT&V"): long, with the slow-line interval.
    static ReplyRule listing(QByteArray expected, unsigned T);
    // The rule for callers that name none, chosen from the command's text: "AT&V" a
    // listing, "ATI" and "+++" long, everything else short.
    static ReplyRule guessedFrom(const QByteArray &command, QByteArray expected, unsigned T);
};

enum class ExchangeStatus {
    Ok,          // the expected text (or a numeric "OK") arrived in time
    Error,       // the module answered "ERROR"
    Timeout,     // the read budget ran out first
    Cancelled,   // a stop was requested
    LineLost     // the command could not be written, or a read failed (device gone)
};

struct ExchangeResult {
    QByteArray reply;
    ExchangeStatus status = ExchangeStatus::Timeout;
    bool ok() const { return status == ExchangeStatus::Ok; }
};
