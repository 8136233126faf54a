#pragma once

#include "comm/Exception.h"
#include "comm/LineComm.h"
#include "settings/Types.h"

#include <QByteArray>

#include <atomic>
#include <memory>

// The module's escape character, "+" at start. Set by the escape-character dialog
// (GUI thread) and by the configure operation (worker thread).
extern std::atomic<char> EscapeChar;

// EscapeChar three times: brings a module from data mode to command mode.
QByteArray EscapeSequence();

// The module did not answer as expected, or could not be woken.
class EWriteCommError : public Exception {
public:
    using Exception::Exception;
    static EWriteCommError badReply();   // "... The module did not respond correctly."
    static EWriteCommError cannotWake(); // "... Unable to wake modem."
};

// The command channel to one radio module over the serial port. Opens the port on
// construction (the port's exceptions reach the creator), closes it on destruction.
// Commands carry their own terminating carriage return. One thread at a time.
class TCOM740Object {
public:
    explicit TCOM740Object(const PortSettings &settings);
    // The same, driving the given port layer (null: makePortLayer()).
    TCOM740Object(const PortSettings &settings, std::unique_ptr<SerialPortLayer> layer);
    ~TCOM740Object();
    TCOM740Object(const TCOM740Object &) = delete;
    TCOM740Object &operator=(const TCOM740Object &) = delete;

    // Receives every reply (on the thread that made the read); may be empty.
    void SetReceiveHandler(ReceiveHandler listener);

    // One exchange whose reply must contain `expected`: true when it does, false for
    // a numeric "OK" ("0\r" or "\r0\r"); raises EWriteCommError otherwise, also when
    // the command could not be written.
    bool SendCommand(const QByteArray &command, const QByteArray &expected, unsigned T);
    // One exchange whose reply is stored and forwarded but not judged. With an empty
    // `expected` it makes exactly one read. A command that could not be written
    // raises EWriteCommError.
    void Send(const QByteArray &command, const QByteArray &expected, unsigned T);
    // Brings the module into command mode: "\r", then the escape sequence (twice if
    // need be) and "\r" again; raises EWriteCommError when nothing answers.
    void WakeModem();
    // Ends a test mode's output: one short read, 100 ms, then both directions discarded.
    void FlushLine();
    // One read of whatever has arrived, for the receive pump; false when the line is gone.
    bool Poll();

    // The reply of the most recent exchange that wrote its command (a failed write
    // leaves the previous one).
    const QByteArray &LastReply() const { return m_lastReply; }
    TLineComm &port() { return m_port; }

private:
    // Transact; true when the exchange delivered a reply (its write went out).
    bool exchange(const QByteArray &command, const QByteArray &expected, unsigned T);
    void receive(const QByteArray &text, quint16 length);

    TLineComm m_port;
    ReceiveHandler Listener;
    QByteArray m_lastReply;
    bool m_replied = false;
};
