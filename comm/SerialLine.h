#pragma once

#include "comm/Exception.h"
#include "comm/LineSettings.h"
#include "comm/SerialPortLayer.h"

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>

// Receives every reply text the port collects (single-byte characters) with its length.
using ReceiveHandler = std::function<void(const QByteArray &text, quint16 length)>;

// open() while the port is already open: "COMn- The port is already open."
class PortAlreadyOpenError : public Exception {
public:
    using Exception::Exception;
};

// The device cannot be opened (missing or in use); the lines after the first say why.
class PortOpenError : public Exception {
public:
    using Exception::Exception;
};

// The device is not a serial port, or CTS is missing before a write.
class SerialLineError : public Exception {
public:
    using Exception::Exception;
};

// "COMn- This port may be already in use or not present.": the port cannot be had.
QString portUnavailableText(const QString &deviceName);

// The exchange stopped because its owner asked it to (see SerialLine::setCancelCheck).
class ExchangeCancelled : public Exception {
public:
    ExchangeCancelled() : Exception(QStringLiteral("The operation was cancelled.")) {}
};

// The serial line to the module: opens a COM port or a device, writes a command, collects the
// reply until its ending is recognised and hands every reply to the receive handler.
// Knows nothing of what commands mean. No locks: one thread at a time.
class SerialLine {
public:
    // `layer` is the system layer (or the test double) to drive; null takes makePortLayer().
    explicit SerialLine(std::unique_ptr<SerialPortLayer> layer = {});
    ~SerialLine();
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // Takes effect at the next open().
    void setLineSettings(const LineSettings &settings) { m_settings = settings; }
    const LineSettings &lineSettings() const { return m_settings; }
    // Receives every reply; may be unset.
    void setReceiveHandler(ReceiveHandler handler);

    // The open port; null while closed.
    SerialPortLayer *port() const { return m_handle; }

    // Opens and sets up the port. Raises PortAlreadyOpenError, PortOpenError or
    // SerialLineError; on any failure nothing stays open.
    bool open();
    void close();
    // Discards pending output, then pending input.
    void purge();
    // One exchange: time-outs from T (ms), write `command`, collect the reply.
    // True when the write succeeded and the reply ending was recognised in time.
    bool transact(const QByteArray &command, const QByteArray &expected, unsigned T);
    // Checks CTS (raises SerialLineError "CTS on modem was not detected."), writes all of text.
    bool writeText(const QByteArray &text);
    // Collects a reply under the time-outs set by transact() and hands it to the receive handler.
    bool readReply(const QByteArray &expected, unsigned T, bool longReply);
    // One read of whatever has arrived, handed on when not empty. False when the
    // read failed (the device hung up or vanished) or the port is closed.
    bool poll();
    // Looked at before each write and after each read of an exchange; once it answers
    // true the exchange raises ExchangeCancelled. Empty: exchanges run to their end.
    void setCancelCheck(std::function<bool()> check) { m_cancelCheck = std::move(check); }

    // Raw reads and writes for callers that frame replies themselves (the module search).
    // The port layer speaks standard types; these are the only places that convert.
    bool readPiece(QByteArray &piece, int maxBytes);
    bool writeBytes(const QByteArray &bytes);

private:
    void throwIfCancelled();

    std::unique_ptr<SerialPortLayer> m_layer;
    SerialPortLayer *m_handle = nullptr;
    LineSettings m_settings;
    ReceiveHandler m_onReceive;
    std::function<bool()> m_cancelCheck;
};
