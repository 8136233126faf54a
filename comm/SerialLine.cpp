#include "comm/SerialLine.h"

#include "comm/PortBindings.h"
#ifndef _WIN32
#include "comm/OpenFailure.h"
#endif

#include <chrono>
#include <thread>

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
#ifndef _WIN32
        const QString why = explainOpenFailure(devicePathOf(name));
        if (!why.isEmpty())
            message += QLatin1Char('\n') + why;
#endif
        throw PortOpenError(message);
    }
    if (!m_layer->isCommDevice()) {
        m_layer->close();
        throw SerialLineError(name + QStringLiteral("- Handle is not a communications port handle."));
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

bool SerialLine::transact(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    SerialPortLayer::LineState line;
    const bool haveLine = m_handle && m_layer->getLineState(line);
    if (m_handle)
        m_layer->setTimeouts({T, 3, T, 10, 10});

    const bool longReply = command.contains("AT&V") || command.contains("ATI") || command.contains("+++");

    if (m_handle && command.contains("AT&V") && haveLine && line.baudRate == 1200) {
        SerialPortLayer::Timeouts timeouts;
        if (m_layer->getTimeouts(timeouts)) {
            timeouts.readInterval = kSlowListingInterval;
            m_layer->setTimeouts(timeouts);
        }
    }

    throwIfCancelled();
    if (!writeText(command))
        return false;
    return readReply(expected, T, longReply);
}

bool SerialLine::writeText(const QByteArray &text)
{
    bool cts = m_handle && m_layer->ctsOn();
    purge();
    if (!cts) {
        std::this_thread::sleep_for(kCtsRetryDelay);
        cts = m_handle && m_layer->ctsOn();
        if (!cts)
            throw SerialLineError(QStringLiteral("CTS on modem was not detected."));
    }
    const bool written = m_handle && writeBytes(text);
    if (m_handle)
        m_layer->purgeOutput();
    return written;
}

bool SerialLine::readReply(const QByteArray &expected, unsigned /*T*/, bool longReply)
{
    const int requestSize = longReply ? kLongReadSize : int(expected.size()) + kShortExtraBytes;
    int budget = longReply ? kLongReadBudget : kShortReadBudget;
    QByteArray reply;
    bool result = true;
    for (;;) {
        --budget;
        QByteArray piece;
        if (!m_handle || !readPiece(piece, requestSize))
            result = false;
        reply += piece;
        if (budget <= 0 || expected.isEmpty())
            result = false;
        if (reply.contains(expected) || isNumericOk(reply) || !result)
            break;
        throwIfCancelled();
    }
    // The ending may arrive in the middle of its line (the last route of a listing):
    // the rest of that line belongs to the reply, not to the purge below. A read that
    // brings nothing is one read interval of silence.
    for (int extra = kLongReadBudget; result && extra > 0 && !lineEndsAfter(reply, expected); --extra) {
        QByteArray piece;
        if (!readPiece(piece, requestSize) || piece.isEmpty())
            break;
        reply += piece;
    }
    if (m_onReceive)
        m_onReceive(reply, quint16(reply.size()));
    if (m_handle)
        m_layer->purgeInput();
    return result;
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

void SerialLine::throwIfCancelled()
{
    if (!m_cancelCheck || !m_cancelCheck())
        return;
    // What arrived of the reply is of no use to anyone now.
    if (m_handle)
        m_layer->purgeInput();
    throw ExchangeCancelled();
}

void SerialLine::setReceiveHandler(ReceiveHandler handler) { m_onReceive = std::move(handler); }
