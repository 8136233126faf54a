#pragma once

#include "comm/Exception.h"
#include "comm/PortSettings.h"
#include "comm/SerialLine.h"

#include <QByteArray>

#include <atomic>
#include <memory>
#include <optional>

// The program-wide escape character, "+" at start. Set by the escape-character dialog
// (GUI thread) and by the configure operation (worker thread). A channel whose own
// escape character was never set wakes with this one.
extern std::atomic<char> escapeCharacter;

// escapeCharacter three times: brings a module from data mode to command mode.
QByteArray escapeSequence();

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
    // The line the window's port settings stand for.
    explicit ModuleChannel(const PortSettings &settings, std::unique_ptr<SerialPortLayer> layer = {});
    ~ModuleChannel();
    ModuleChannel(const ModuleChannel &) = delete;
    ModuleChannel &operator=(const ModuleChannel &) = delete;

    // Receives every reply (on the thread that made the read); may be empty.
    void setReceiveHandler(ReceiveHandler listener);

    // One exchange under an explicit rule; the reply is stored (unless the command
    // could not be written or the exchange was cancelled) and forwarded. Raises only
    // SerialLineError (CTS missing twice, port closed).
    ExchangeResult exchange(const QByteArray &command, const ReplyRule &rule);

    // One exchange whose reply must contain `expected`: true when it does, false for
    // a numeric "OK" ("0\r" or "\r0\r"); raises ModuleReplyError otherwise, also when
    // the command could not be written. Framing from ReplyRule::guessedFrom().
    bool sendCommand(const QByteArray &command, const QByteArray &expected, unsigned T);
    // One exchange whose reply is stored and forwarded but not judged. With an empty
    // `expected` it makes exactly one read. A command that could not be written
    // raises ModuleReplyError.
    void send(const QByteArray &command, const QByteArray &expected, unsigned T);
    // Brings the module into command mode: "\r", then the escape sequence (twice if
    // need be) and "\r" again; raises ModuleReplyError when nothing answers and
    // ExchangeCancelled when stopped.
    void wakeModem();
    // The same wake, reported: Ok when the module answered, Cancelled when stopped,
    // otherwise the status of the last attempt (the module stays asleep). A missing
    // CTS is absorbed on the first attempt only: later it raises SerialLineError.
    ExchangeStatus tryWake();
    // Ends a test mode's output: one short read, 100 ms, then both directions
    // discarded. Raises ExchangeCancelled when stopped.
    void flushLine();
    // One read of whatever has arrived, for the receive pump; false when the line is gone.
    bool poll();

    // Exchanges, the wake and the flush end as cancelled once `token` asks to stop
    // (see SerialLine::setStopToken).
    void setStopToken(std::stop_token token) { m_line.setStopToken(std::move(token)); }

    // The character the wake sends three times. Until set, the program-wide
    // escapeCharacter ("+" unless changed).
    char escapeCharacter() const;
    void setEscapeCharacter(char c) { m_escape = c; }

    // The reply of the most recent exchange that wrote its command (a failed write
    // leaves the previous one).
    const QByteArray &lastReply() const { return m_lastReply; }
    SerialLine &line() { return m_line; }

private:
    // Transact; true when the exchange delivered a reply (its write went out).
    bool deliveredReply(const QByteArray &command, const QByteArray &expected, unsigned T);
    void receive(const QByteArray &text, quint16 length);

    SerialLine m_line;
    ReceiveHandler m_listener;
    QByteArray m_lastReply;
    std::optional<char> m_escape;
    bool m_replied = false;
};
