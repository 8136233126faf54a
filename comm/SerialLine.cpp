#include "comm/SerialLine.h"

#include "comm/PortBindings.h"
#include "comm/ReplyReader.h"
#ifndef _WIN32
#include "comm/OpenFailure.h"
#endif

#include <algorithm>
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
// The read interval of the escape and its probe when replies end in silence.
constexpr unsigned kWakeInterval = 50;
// How long after its guard time an escape's "OK" may come.
constexpr auto kEscapeAnswerMargin = std::chrono::milliseconds(1000);
// Replies that need not come (quiet mode, a change of rate) are waited for this long.
constexpr auto kShortDeadline = std::chrono::milliseconds(500);
// The listing's length with room to spare, timed at the line's rate.
constexpr int kListingBytes = 320;
// Bytes per read while reading to the final result code.
constexpr int kReadSize = 255;
// A read returns this many character times after the last byte it received.
constexpr int kGapCharacters = 2;

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

ReplyRule ReplyRule::listing(unsigned T)
{
    // Silence-ended, the listing ends with its last route.
    ReplyRule rule = longReply("&Z3=", T);
    rule.slowLineInterval = kSlowListingInterval;
    rule.replyBytes = kListingBytes;
    return rule;
}

ReplyRule ReplyRule::escape(std::chrono::milliseconds guard)
{
    ReplyRule rule = longReply("OK", kWakeInterval);
    rule.answerOwed = false;
    rule.deadline = guard + kEscapeAnswerMargin;
    return rule;
}

ReplyRule ReplyRule::probe(std::chrono::milliseconds guard)
{
    ReplyRule rule = shortReply("OK", kWakeInterval);
    rule.answerOwed = false;
    rule.deadline = guard;
    return rule;
}

ReplyRule ReplyRule::lineChange()
{
    ReplyRule rule = shortReply(QByteArray(), 5);
    rule.answerOwed = false;
    rule.deadline = kShortDeadline;
    return rule;
}

ReplyRule ReplyRule::quiet(QByteArray expected, unsigned T)
{
    ReplyRule rule = shortReply(std::move(expected), T);
    rule.ending = Ending::Echo;
    rule.deadline = kShortDeadline;
    return rule;
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
    return m_pace == ReplyPace::Silence ? collectUntilSilence(rule) : collectToFinalCode(command, rule);
}

std::chrono::nanoseconds SerialLine::charTime() const
{
    SerialPortLayer::LineState line;
    const int rate = m_handle && m_layer->getLineState(line) && line.baudRate > 0 ? line.baudRate : 9600;
    // Start bit, eight data bits, stop bit.
    return std::chrono::nanoseconds(10'000'000'000LL / rate);
}

void SerialLine::lineLostCheck(bool replied)
{
    // The module went away after the command left, before it answered: the same
    // missing CTS the next write would find.
    if (m_handle && !replied && !m_layer->ctsOn())
        throw SerialLineError(QStringLiteral("CTS on modem was not detected."));
}

ExchangeResult SerialLine::collectToFinalCode(const QByteArray &command, const ReplyRule &rule)
{
    using namespace std::chrono;
    const nanoseconds character = charTime();
    const auto deadline = m_layer->now() + rule.deadline + character * rule.replyBytes;
    const auto gap = unsigned(std::max<long long>(2, duration_cast<milliseconds>(character * kGapCharacters).count() + 1));
    ReplyReader reader(command, rule, m_unanswered);
    ExchangeStatus status = ExchangeStatus::Timeout;
    for (;;) {
        const auto left = deadline - m_layer->now();
        if (left <= nanoseconds::zero())
            break;
        const auto leftMs = unsigned(std::max<long long>(1, ceil<milliseconds>(left).count()));
        if (m_handle)
            m_layer->setTimeouts({gap, 0, leftMs, 10, 10});
        QByteArray piece;
        const bool readOk = m_handle && readPiece(piece, kReadSize);
        if (cancelRequested())
            return cancelledWith(reader.reply());
        if (reader.add(piece)) {
            status = reader.status();
            break;
        }
        if (!readOk) {
            lineLostCheck(!reader.reply().isEmpty());
            status = ExchangeStatus::LineLost;
            break;
        }
    }
    // A command that ran out of time may still be answered: its final code, arriving
    // with a later command's reply, is set aside there.
    const bool awaited =
        rule.answerOwed && rule.ending == ReplyRule::Ending::FinalCode && status == ExchangeStatus::Timeout;
    m_unanswered = reader.unanswered() + (awaited ? 1 : 0);
    const QByteArray reply = reader.reply();
    if (m_onReceive)
        m_onReceive(reply, quint16(reply.size()));
    return {reply, status};
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

ExchangeResult SerialLine::collectUntilSilence(const ReplyRule &rule)
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
            lineLostCheck(reply.contains(expected));
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

bool SerialLine::pollUntilStopped()
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
