#include "comm/SerialLine.h"

#include "comm/PortBindings.h"
#ifndef _WIN32
#include "comm/OpenFailure.h"
#endif

#include <chrono>

namespace {

// Long replies (listing, identification, the escape answer) are read in large pieces.
constexpr int kLongReadSize = 255;
constexpr int kLongReadBudget = 10;
constexpr int kShortExtraBytes = 20;
constexpr int kShortReadBudget = 20;
constexpr int kPollReadSize = 255;
// At 1200 bit/s the module pauses longer than T inside its listing.
constexpr unsigned kSlowListingInterval = 350;
constexpr auto kCtsRetryDelay = std::chrono::milliseconds(50);

bool isNumericOk(const QByteArray &reply) { return reply == "0\r" || reply.contains("\r0\r"); }
bool isNumericError(const QByteArray &reply) { return reply == "4\r" || reply.contains("\r4\r"); }

// "ERROR" on a line of its own (its line break may still be on the way).
bool hasErrorLine(const QByteArray &reply)
{
    for (qsizetype at = reply.indexOf("ERROR"); at >= 0; at = reply.indexOf("ERROR", at + 1)) {
        const qsizetype end = at + 5;
        const bool startsLine = at == 0 || reply[at - 1] == '\r' || reply[at - 1] == '\n';
        const bool endsLine = end == reply.size() || reply[end] == '\r' || reply[end] == '\n';
        if (startsLine && endsLine)
            return true;
    }
    return false;
}

bool failedIn(const QByteArray &reply, const ReplyRule &rule)
{
    return rule.errorEnds && (hasErrorLine(reply) || (rule.numericCodes && isNumericError(reply)));
}

// Whether the line holding `expected` has ended (its own CR or LF counts).
bool lineEndsAfter(const QByteArray &reply, const QByteArray &expected)
{
    const qsizetype at = reply.indexOf(expected);
    return at < 0 || reply.indexOf('\r', at) >= 0 || reply.indexOf('\n', at) >= 0;
}

// What the port layer opens: a slot's name ("COM1"), which the layer maps itself,
// unless the user bound the slot to another device, whose path the layer then gets;
// any other port is a device path.
std::string layerTarget(const QString &port)
{
    const int slot = comSlotOf(port);
    if (slot < 0 || PortBindings::isOverridden(slot) || PortBindings().binding(slot).isEmpty())
        return port.toLocal8Bit().toStdString();
    return PortBindings().devicePath(slot).toLocal8Bit().toStdString();
}

} // namespace

ReplyRule ReplyRule::shortReply(QByteArray expected, unsigned T)
{
    ReplyRule rule;
    rule.expected = std::move(expected);
    rule.T = T;
    return rule;
}

ReplyRule ReplyRule::longReply(QByteArray expected, unsigned T)
{
    ReplyRule rule = shortReply(std::move(expected), T);
    rule.framing = Framing::Long;
    return rule;
}

ReplyRule ReplyRule::listing(QByteArray expected, unsigned T)
{
    ReplyRule rule = longReply(std::move(expected), T);
    rule.slowLineInterval = kSlowListingInterval;
    return rule;
}

ReplyRule ReplyRule::guessedFrom(const QByteArray &command, QByteArray expected, unsigned T)
{
    if (command.contains("AT&V"))
        return listing(std::move(expected), T);
    if (command.contains("ATI") || command.contains("+++"))
        return longReply(std::move(expected), T);
    return shortReply(std::move(expected), T);
}

QString portUnavailableText(const QString &deviceName)
{
    return deviceName + QStringLiteral("- This port may be already in use or not present.");
}

SerialLine::SerialLine(std::unique_ptr<SerialPortLayer> layer)
    : m_layer(layer ? std::move(layer) : makePortLayer())
{
}

SerialLine::~SerialLine() { close(); }

bool SerialLine::readPiece(QByteArray &piece, int maxBytes)
{
    std::vector<std::uint8_t> bytes;
    const bool ok = m_layer->read(bytes, maxBytes);
    piece = QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    return ok;
}

bool SerialLine::writeBytes(const QByteArray &bytes)
{
    return m_layer->write({reinterpret_cast<const std::uint8_t *>(bytes.constData()), size_t(bytes.size())});
}

bool SerialLine::open()
{
    const QString &name = m_settings.port;
    if (m_handle)
        throw PortAlreadyOpenError(name + QStringLiteral("- The port is already open."));
    if (!m_layer->open(layerTarget(name))) {
        QString message = portUnavailableText(name);
        QString why = QString::fromStdString(m_layer->openFailureReason());
#ifndef _WIN32
        if (why.isEmpty())
            why = explainOpenFailure(devicePathOf(name));
#endif
        if (!why.isEmpty())
            message += QLatin1Char('\n') + why;
        throw PortOpenError(message);
    }
    if (!m_layer->isCommDevice()) {
        m_layer->close();
#ifdef _WIN32
        throw SerialLineError(name + QStringLiteral("- Handle is not a communications port handle."));
#else
        throw SerialLineError(name + QStringLiteral("- %1 is not a serial port.").arg(devicePathOf(name)));
#endif
    }
    m_handle = m_layer.get();

    SerialPortLayer::LineState line;
    m_layer->getLineState(line);
    SerialPortLayer::Timeouts timeouts;
    m_layer->getTimeouts(timeouts);

    m_layer->setTimeouts({50, 1, 0, 1, 10});

    // A value the line cannot be set to keeps the port's own.
    if (m_settings.baudRate > 0)
        line.baudRate = m_settings.baudRate;
    if (m_settings.dataBits >= 4 && m_settings.dataBits <= 8)
        line.byteSize = m_settings.dataBits;
    line.parity = int(m_settings.parity);
    line.stopBits = m_settings.stopBits == 2 ? 2 : 0;
    m_layer->setLineState(line);   // a setting the line cannot take leaves it as it was
    return true;
}

void SerialLine::close()
{
    if (!m_handle)
        return;
    m_layer->close();
    m_handle = nullptr;
}

void SerialLine::purge()
{
    if (!m_handle)
        return;
    m_layer->purgeOutput();
    m_layer->purgeInput();
}

void SerialLine::setStopToken(std::stop_token token)
{
    m_onStop.reset();
    m_stop = std::move(token);
    if (!m_stop.stop_requested())
        m_layer->clearInterrupt();
    // Runs at once when the token has already stopped.
    m_onStop.emplace(m_stop, InterruptLayer{m_layer.get()});
}

bool SerialLine::cancelRequested() const
{
    return m_stop.stop_requested() || (m_cancelCheck && m_cancelCheck());
}

bool SerialLine::pause(std::chrono::milliseconds duration)
{
    if (cancelRequested())
        return false;
    return m_layer->pause(duration) && !cancelRequested();
}

void SerialLine::applyTimeouts(const ReplyRule &rule)
{
    if (!m_handle)
        return;
    SerialPortLayer::Timeouts timeouts{rule.T, 3, rule.T, 10, 10};
    SerialPortLayer::LineState line;
    if (rule.slowLineInterval && m_layer->getLineState(line) && line.baudRate == 1200)
        timeouts.readInterval = rule.slowLineInterval;
    m_layer->setTimeouts(timeouts);
}

ExchangeResult SerialLine::exchange(const QByteArray &command, const ReplyRule &rule)
{
    applyTimeouts(rule);
    if (cancelRequested())
        return cancelledWith({});
    switch (writeCommand(command)) {
    case WriteOutcome::Cancelled:
        return cancelledWith({});
    case WriteOutcome::Failed:
        return {{}, ExchangeStatus::LineLost};
    case WriteOutcome::Written:
        break;
    }
    return collect(rule);
}

bool SerialLine::transact(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    const ExchangeResult result = exchange(command, ReplyRule::guessedFrom(command, expected, T));
    if (result.status == ExchangeStatus::Cancelled)
        throw ExchangeCancelled();
    // An "ERROR" ends the reading early; whether it answers `expected` is the caller's affair.
    const bool answered = result.status == ExchangeStatus::Ok
                          || (result.status == ExchangeStatus::Error && result.reply.contains(expected));
    return answered && !expected.isEmpty();
}

SerialLine::WriteOutcome SerialLine::writeCommand(const QByteArray &text)
{
    bool cts = m_handle && m_layer->ctsOn();
    purge();
    if (!cts) {
        if (!pause(kCtsRetryDelay) && cancelRequested())
            return WriteOutcome::Cancelled;
        cts = m_handle && m_layer->ctsOn();
        if (!cts)
            throw SerialLineError(QStringLiteral("CTS on modem was not detected."));
    }
    if (cancelRequested())
        return WriteOutcome::Cancelled;
    const bool written = m_handle && writeBytes(text);
    if (m_handle)
        m_layer->purgeOutput();
    if (!written && cancelRequested())
        return WriteOutcome::Cancelled;
    // A module that went away between the look at CTS and the write: the failed write
    // is the same missing CTS, not a module that answered wrongly.
    if (!written && !(m_handle && m_layer->ctsOn()))
        throw SerialLineError(QStringLiteral("CTS on modem was not detected."));
    return written ? WriteOutcome::Written : WriteOutcome::Failed;
}

bool SerialLine::writeText(const QByteArray &text)
{
    const WriteOutcome outcome = writeCommand(text);
    if (outcome == WriteOutcome::Cancelled)
        throw ExchangeCancelled();
    return outcome == WriteOutcome::Written;
}

ExchangeResult SerialLine::collect(const ReplyRule &rule)
{
    const bool longReply = rule.framing == ReplyRule::Framing::Long;
    const QByteArray &expected = rule.expected;
    const int requestSize = longReply ? kLongReadSize : int(expected.size()) + kShortExtraBytes;
    int budget = longReply ? kLongReadBudget : kShortReadBudget;
    QByteArray reply;
    ExchangeStatus status = ExchangeStatus::Timeout;
    for (;;) {
        --budget;
        QByteArray piece;
        const bool readOk = m_handle && readPiece(piece, requestSize);
        reply += piece;
        if (cancelRequested())
            return cancelledWith(reply);
        if (!readOk) {
            // The module went away after the command left, before it answered: the
            // same missing CTS the next write would find.
            if (m_handle && !reply.contains(expected) && !m_layer->ctsOn())
                throw SerialLineError(QStringLiteral("CTS on modem was not detected."));
            status = ExchangeStatus::LineLost;
            break;
        }
        if (failedIn(reply, rule)) {
            status = ExchangeStatus::Error;
            break;
        }
        if (expected.isEmpty()) {
            status = ExchangeStatus::Ok;
            break;
        }
        // An ending that only the last permitted read brought counts as too late.
        if (reply.contains(expected) || (rule.numericCodes && isNumericOk(reply))) {
            status = budget > 0 ? ExchangeStatus::Ok : ExchangeStatus::Timeout;
            break;
        }
        if (budget <= 0)
            break;
    }
    // The ending may arrive in the middle of its line (the last route of a listing):
    // the rest of that line belongs to the reply, not to the purge below. A read that
    // brings nothing is one read interval of silence.
    const bool complete = status == ExchangeStatus::Ok && !expected.isEmpty();
    for (int extra = kLongReadBudget; complete && extra > 0 && !lineEndsAfter(reply, expected); --extra) {
        QByteArray piece;
        const bool readOk = readPiece(piece, requestSize);
        reply += piece;
        if (cancelRequested())
            return cancelledWith(reply);
        if (!readOk || piece.isEmpty())
            break;
    }
    if (m_onReceive)
        m_onReceive(reply, quint16(reply.size()));
    if (m_handle)
        m_layer->purgeInput();
    return {reply, status};
}

ExchangeResult SerialLine::cancelledWith(const QByteArray &partial)
{
    // What arrived of the reply is of no use to anyone now.
    if (m_handle)
        m_layer->purgeInput();
    return {partial, ExchangeStatus::Cancelled};
}

bool SerialLine::readReply(const QByteArray &expected, unsigned T, bool longReply)
{
    ReplyRule rule = longReply ? ReplyRule::longReply(expected, T) : ReplyRule::shortReply(expected, T);
    const ExchangeResult result = collect(rule);
    if (result.status == ExchangeStatus::Cancelled)
        throw ExchangeCancelled();
    return result.status == ExchangeStatus::Ok && !expected.isEmpty();
}

bool SerialLine::poll()
{
    QByteArray piece;
    if (!m_handle || !readPiece(piece, kPollReadSize))
        return false;
    if (!piece.isEmpty() && m_onReceive)
        m_onReceive(piece, quint16(piece.size()));
    // Pending input is kept: the receive pump reads a continuous stream, and bytes
    // that arrived after this read belong to the next one.
    return true;
}

bool SerialLine::pollUntilInterrupted()
{
    if (!m_handle || !m_layer->wakesBlockedReads())
        return poll();
    SerialPortLayer::Timeouts timeouts;
    if (!m_layer->getTimeouts(timeouts))
        return poll();
    // The read interval still cuts the stream into pieces; only the total goes.
    SerialPortLayer::Timeouts waiting = timeouts;
    waiting.readTotalMultiplier = 0;
    waiting.readTotalConstant = 0;
    if (waiting.readInterval == 0)
        waiting.readInterval = 50;
    m_layer->setTimeouts(waiting);
    const bool ok = poll();
    m_layer->setTimeouts(timeouts);
    return ok;
}

void SerialLine::setReceiveHandler(ReceiveHandler handler) { m_onReceive = std::move(handler); }
