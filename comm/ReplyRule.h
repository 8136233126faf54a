#pragma once

#include <QByteArray>

#include <chrono>

// How replies end. The default ends each reply at the module's final result code;
// the silence-ended reading of old firmware ends it after a read interval of silence
// or when an expected fragment has appeared.
enum class ReplyPace {
    FinalCode,
    Silence
};

// How the reply to one command is read and judged. Every exchange states its rule;
// the named rules below are the ones the program uses.
struct ReplyRule {
    enum class Framing {
        Short,   // the expected text and a little more per read, up to 20 reads
        Long     // 255-byte reads, up to 10: listings, identification, the escape answer
    };
    enum class Ending {
        FinalCode,   // the final result code of the command ("OK", "ERROR", "0", "4", "CONNECT", ...)
        Echo         // the echo of the command (quiet mode: no result codes come)
    };

    // --- reading to the final result code (ReplyPace::FinalCode) -----------------
    Ending ending = Ending::FinalCode;
    // How long the reply may take after the command has left, on top of the time
    // its expected bytes need on the line.
    std::chrono::milliseconds deadline{1500};
    // Bytes the reply may carry (the listing's length), timed at the line's rate.
    int replyBytes = 0;
    // A final code that has not come by the deadline is still owed, and set aside
    // when it arrives with a later command's reply. Not for what a module may rightly
    // leave unanswered (the probe and escape of a module in data mode).
    bool answerOwed = true;

    // --- both paces ------------------------------------------------------------
    // The numeric result codes count: "0" is an OK, "4" an error.
    bool numericCodes = true;

    // --- silence-ended reading (ReplyPace::Silence) ----------------------------
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
    // Read interval at 1200 bit/s, where the module pauses longer than T inside its
    // listing; 0 keeps T.
    unsigned slowLineInterval = 0;

    // A command answered by a short reply; `expected` ends it when replies end in silence.
    static ReplyRule shortReply(QByteArray expected, unsigned T);
    // A longer answer ("ATI": its identification line before the result code).
    static ReplyRule longReply(QByteArray expected, unsigned T);
    // The module's listing ("AT&V"): it ends at its final "OK", whatever routes it lists.
    static ReplyRule listing(unsigned T);
    // The escape sequence: the module answers once the guard time after it has passed.
    static ReplyRule escape(std::chrono::milliseconds guard);
    // The probe before an escape ("\r"): a module in command mode answers at once;
    // waiting `guard` for it is also the silence the escape needs before it.
    static ReplyRule probe(std::chrono::milliseconds guard);
    // A change of the module's rate or format: it answers at the old settings, then
    // is gone from them (one short read when replies end in silence).
    static ReplyRule lineChange();
    // A command to a module that sends no result codes (quiet mode): the reply ends
    // with the command's echo, or soon when nothing is echoed either.
    static ReplyRule quiet(QByteArray expected, unsigned T);
};

enum class ExchangeStatus {
    Ok,          // the final result code was OK (or the expected text arrived in time)
    Error,       // the module answered "ERROR" or another final code than OK
    Timeout,     // the deadline (or the read budget) ran out first
    Cancelled,   // a stop was requested
    LineLost     // the command could not be written, or a read failed (device gone)
};

struct ExchangeResult {
    QByteArray reply;
    ExchangeStatus status = ExchangeStatus::Timeout;
    bool ok() const { return status == ExchangeStatus::Ok; }
};
