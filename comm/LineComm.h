#pragma once

#include "comm/Exception.h"
#include "comm/SerialPortLayer.h"

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>

// Receives every reply text the port collects (single-byte characters) with its length.
using ReceiveHandler = std::function<void(const QByteArray &text, quint16 length)>;

// Open() while the port is already open: "COMn- The port is already open."
class EPortAlreadyOpen : public Exception {
public:
    using Exception::Exception;
};

// The device cannot be opened (missing or in use).
class EOpeningPortError : public Exception {
public:
    using Exception::Exception;
};

// The device is not a serial port, or CTS is missing before a write.
class ECommsError : public Exception {
public:
    using Exception::Exception;
};

// "COMn- This port may be already in use or not present.": the port cannot be had.
QString portUnavailableText(const QString &deviceName);

// The exchange stopped because its owner asked it to (see TLineComm::setCancelCheck).
class ExchangeCancelled : public Exception {
public:
    ExchangeCancelled() : Exception(QStringLiteral("The operation was cancelled.")) {}
};

// Baud rate of a rate index 0..11 (1200 .. 115200 bit/s); 0 outside the table.
int baudRateForIndex(int baudIndex);

// The serial line to the module: opens COM1..COM8, writes a command, collects the
// reply until its ending is recognised and hands every reply to OnReceive. Knows
// nothing of what commands mean. No locks: one thread at a time.
class TLineComm {
public:
    // `layer` is the system layer (or the test double) to drive; null takes makePortLayer().
    explicit TLineComm(std::unique_ptr<SerialPortLayer> layer = {});
    ~TLineComm();
    TLineComm(const TLineComm &) = delete;
    TLineComm &operator=(const TLineComm &) = delete;

    quint8 PortIndex = 0;       // 0..7: "COM1".."COM8"
    ReceiveHandler OnReceive;   // may be unset
    quint8 BaudIndex = 3;       // 0..11, see baudRateForIndex(); outside keeps the port's rate
    quint8 Parity = 0;          // 0 none, 1 odd, 2 even
    quint8 StopBits = 0;        // 0 one, 2 two
    quint8 DataBitsIndex = 4;   // 0..4 for 4..8 data bits; outside keeps the port's size

    // The open port; null while closed.
    SerialPortLayer *Handle() const { return m_handle; }

    // Opens and sets up the port. Raises EPortAlreadyOpen, EOpeningPortError or
    // ECommsError; on any failure nothing stays open.
    bool Open();
    void Close();
    // Discards pending output, then pending input.
    void Purge();
    // One exchange: time-outs from T (ms), write `command`, collect the reply.
    // True when the write succeeded and the reply ending was recognised in time.
    bool Transact(const QByteArray &command, const QByteArray &expected, unsigned T);
    // Checks CTS (raises ECommsError "CTS on modem was not detected."), writes all of text.
    bool WriteText(const QByteArray &text);
    // Collects a reply under the time-outs set by Transact and delivers it to OnReceive.
    bool ReadReply(const QByteArray &expected, unsigned T, bool LongReply);
    // One read of whatever has arrived, delivered to OnReceive when not empty. False
    // when the read failed (the device hung up or vanished) or the port is closed.
    bool Poll();
    void SetReceiveHandler(ReceiveHandler handler);
    // Looked at before each write and after each read of an exchange; once it answers
    // true the exchange raises ExchangeCancelled. Empty: exchanges run to their end.
    void setCancelCheck(std::function<bool()> check) { m_cancelCheck = std::move(check); }

private:
    void throwIfCancelled();

    QString deviceName() const;

    std::unique_ptr<SerialPortLayer> m_layer;
    SerialPortLayer *m_handle = nullptr;
    std::function<bool()> m_cancelCheck;
};
