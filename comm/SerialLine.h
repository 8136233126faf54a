#pragma once

#include "comm/Exception.h"
#include "comm/LineSettings.h"
#include "comm/ReplyRule.h"
#include "comm/SerialPortLayer.h"

#include <QByteArray>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

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

// The exchange stopped because its owner asked it to (see SerialLine::setStopToken).
class ExchangeCancelled : public Exception {
public:
    ExchangeCancelled() : Exception(QStringLiteral("The operation was cancelled.")) {}
};

// The serial line to the module: opens a COM port or a device, writes a command, collects the
// reply until it ends (see ReplyPace) and hands every reply to the receive handler.
// Knows nothing of what commands mean. One thread at a time, except that any thread
// may ask the stop token to stop.
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
    // One exchange under `rule`: write `command`, collect its reply and hand it to the
    // receive handler (not when cancelled). Under ReplyPace::FinalCode the reply ends
    // at the command's final result code or at the rule's deadline; under
    // ReplyPace::Silence after a read interval of silence or the expected text.
    // Raises only SerialLineError (CTS missing twice, port closed); everything else
    // is the status.
    ExchangeResult exchange(const QByteArray &command, const ReplyRule &rule);
    // How replies end; the final result code unless set.
    void setPace(ReplyPace pace) { m_pace = pace; }
    ReplyPace pace() const { return m_pace; }
    // One read of whatever has arrived, handed on when not empty. False when the
    // read failed (the device hung up or vanished) or the port is closed.
    bool poll();
    // Like poll(), but the read waits for the first byte without a total time limit
    // until the stop token asks to stop, where the layer can be woken (else it is one
    // poll()).
    bool pollUntilStopped();
    // Waits `duration` unless stopped first; false when the stop token asked to stop.
    bool pause(std::chrono::milliseconds duration);

    // Once `token` asks to stop, a read, write or pause under way returns at once and
    // the exchange ends as cancelled; so do later ones until another token is set. A
    // token not yet stopped lets the line read and wait again.
    void setStopToken(std::stop_token token);
    const std::stop_token &stopToken() const { return m_stop; }
    bool cancelRequested() const { return m_stop.stop_requested(); }

    // Raw reads and writes for callers that frame replies themselves (the module search).
    // The port layer speaks standard types; these are the only places that convert.
    bool readPiece(QByteArray &piece, int maxBytes);
    bool writeBytes(const QByteArray &bytes);

private:
    enum class WriteOutcome { Written, Failed, Cancelled };
    // The layer's own wake: what a stop request does to a read, write or pause under way.
    struct InterruptLayer {
        SerialPortLayer *layer;
        void operator()() const { layer->interrupt(); }
    };

    void applyTimeouts(const ReplyRule &rule);
    WriteOutcome writeCommand(const QByteArray &text);
    ExchangeResult collectUntilSilence(const ReplyRule &rule);
    ExchangeResult collectToFinalCode(const QByteArray &command, const ReplyRule &rule);
    void lineLostCheck(bool replied);
    std::chrono::nanoseconds charTime() const;
    ExchangeResult cancelledWith(const QByteArray &partial);

    std::unique_ptr<SerialPortLayer> m_layer;
    SerialPortLayer *m_handle = nullptr;
    LineSettings m_settings;
    ReceiveHandler m_onReceive;
    ReplyPace m_pace = ReplyPace::FinalCode;
    // Earlier commands whose final result code has not come (yet).
    int m_unanswered = 0;
    std::stop_token m_stop;
    // Declared after the layer it interrupts, so it is gone before the layer.
    std::optional<std::stop_callback<InterruptLayer>> m_onStop;
};
