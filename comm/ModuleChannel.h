#pragma once

#include "comm/Exception.h"
#include "comm/SerialLine.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// The module did not answer as expected, or could not be woken.
class ModuleReplyError : public Exception {
public:
    using Exception::Exception;
    static ModuleReplyError badReply();   // "... The module did not respond correctly."
    static ModuleReplyError cannotWake(); // "... Unable to wake modem."
};

// The command channel to one radio module over the serial port. Opens the port on
// construction (the port's exceptions reach the creator), closes it on destruction.
// Commands carry their own terminating carriage return. One thread at a time.
class ModuleChannel {
public:
    // Drives the given port layer (null: makePortLayer()).
    explicit ModuleChannel(const LineSettings &settings, std::unique_ptr<SerialPortLayer> layer = {});
    ~ModuleChannel();
    ModuleChannel(const ModuleChannel &) = delete;
    ModuleChannel &operator=(const ModuleChannel &) = delete;

    // Receives every reply (on the thread that made the read); may be empty.
    void setReceiveHandler(ReceiveHandler listener);
    // Receives every command as it goes out, on the thread of the exchange; may be empty.
    void setSendHandler(std::function<void(const QByteArray &command)> handler) { m_onSend = std::move(handler); }
    // Told as each attempt of a wake begins: attempt 1 is the plain "\r", the others
    // send the escape sequence. May be empty.
    void setWakeHandler(std::function<void(int attempt, int attempts)> handler) { m_onWake = std::move(handler); }

    // One exchange under an explicit rule; the reply is stored (unless the command
    // could not be written or the exchange was cancelled) and forwarded. Raises only
    // SerialLineError (CTS missing twice, port closed).
    ExchangeResult exchange(const QByteArray &command, const ReplyRule &rule);

    // The one judge of "was it OK": one exchange whose reply must end in the module's
    // OK, or, from a module that sends no result codes, hold the rule's expected text
    // when its deadline passed (replies ending in silence: must hold the expected
    // text or a numeric OK).
    // Gives the reply; raises ExchangeCancelled when stopped and ModuleReplyError
    // otherwise, also when the command could not be written.
    QByteArray command(const QByteArray &command, const ReplyRule &rule);
    // One exchange whose reply is stored and forwarded but not judged. Raises
    // ExchangeCancelled when stopped and ModuleReplyError when the command could not
    // be written.
    ExchangeResult deliver(const QByteArray &command, const ReplyRule &rule);
    // Brings the module into command mode: "\r", then the escape sequence (twice if
    // need be) and "\r" again, keeping the guard time of silence around the escape; raises ModuleReplyError when nothing answers and
    // ExchangeCancelled when stopped.
    void wakeModem();
    // The same wake, reported: Ok when the module answered, Cancelled when stopped,
    // otherwise the status of the last attempt (the module stays asleep). A missing
    // CTS is absorbed on the first attempt only: later it raises SerialLineError.
    ExchangeStatus tryWake();
    // Ends a test mode's output: one short read, 100 ms, then both directions
    // discarded. Raises ExchangeCancelled when stopped.
    void flushLine();

    // Exchanges, the wake and the flush end as cancelled once `token` asks to stop
    // (see SerialLine::setStopToken).
    void setStopToken(std::stop_token token) { m_line.setStopToken(std::move(token)); }

    // The module's escape character, which the wake sends three times; "+" unless set.
    char escapeCharacter() const { return m_escape; }
    void setEscapeCharacter(char c) { m_escape = c; }
    // The module's escape guard time (S1 x 20 ms); the factory 1000 ms unless set.
    std::chrono::milliseconds guardTime() const { return m_guard; }
    void setGuardTime(std::chrono::milliseconds guard) { m_guard = guard; }

    // The reply of the most recent exchange that wrote its command (a failed write
    // leaves the previous one).
    const QByteArray &lastReply() const { return m_lastReply; }
    SerialLine &line() { return m_line; }

private:
    ExchangeStatus wakeToFinalCode();
    ExchangeStatus wakeUntilSilence();
    void receive(const QByteArray &text, quint16 length);

    SerialLine m_line;
    void wakeAttempt(int attempt) const;

    ReceiveHandler m_listener;
    std::function<void(const QByteArray &)> m_onSend;
    std::function<void(int, int)> m_onWake;
    QByteArray m_lastReply;
    char m_escape = '+';
    std::chrono::milliseconds m_guard{1000};
    bool m_replied = false;
};
