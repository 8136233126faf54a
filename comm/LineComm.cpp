#include "comm/LineComm.h"

#include "comm/ComPorts.h"

#include <chrono>
#include <thread>

namespace {

constexpr int kRates[12] = {1200, 2400, 4800, 9600, 14400, 19200, 28800, 31250, 38400, 57600, 76800, 115200};

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

} // namespace

int baudRateForIndex(int baudIndex)
{
    return baudIndex >= 0 && baudIndex < 12 ? kRates[baudIndex] : 0;
}

QString portUnavailableText(const QString &deviceName)
{
    return deviceName + QStringLiteral("- This port may be already in use or not present.");
}

TLineComm::TLineComm(std::unique_ptr<SerialPortLayer> layer)
    : m_layer(layer ? std::move(layer) : makePortLayer())
{
}

TLineComm::~TLineComm() { Close(); }

QString TLineComm::deviceName() const { return comDeviceName(PortIndex); }

bool TLineComm::Open()
{
    const QString name = deviceName();
    if (m_handle)
        throw EPortAlreadyOpen(name + QStringLiteral("- The port is already open."));
    if (!m_layer->open(name))
        throw EOpeningPortError(portUnavailableText(name));
    if (!m_layer->isCommDevice()) {
        m_layer->close();
        throw ECommsError(name + QStringLiteral("- Handle is not a communications port handle."));
    }
    m_handle = m_layer.get();

    SerialPortLayer::LineState line;
    m_layer->getLineState(line);
    SerialPortLayer::Timeouts timeouts;
    m_layer->getTimeouts(timeouts);

    m_layer->setTimeouts({50, 1, 0, 1, 10});

    if (const int rate = baudRateForIndex(BaudIndex))
        line.baudRate = rate;
    if (DataBitsIndex <= 4)
        line.byteSize = 4 + DataBitsIndex;
    line.parity = Parity;
    line.stopBits = StopBits;
    m_layer->setLineState(line);   // a setting the line cannot take leaves it as it was
    return true;
}

void TLineComm::Close()
{
    if (!m_handle)
        return;
    m_layer->close();
    m_handle = nullptr;
}

void TLineComm::Purge()
{
    if (!m_handle)
        return;
    m_layer->purgeOutput();
    m_layer->purgeInput();
}

bool TLineComm::Transact(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    SerialPortLayer::LineState line;
    const bool haveLine = m_handle && m_layer->getLineState(line);
    if (m_handle)
        m_layer->setTimeouts({T, 3, T, 10, 10});

    const bool LongReply = command.contains("AT&V") || command.contains("ATI") || command.contains("+++");

    if (m_handle && command.contains("AT&V") && haveLine && line.baudRate == 1200) {
        SerialPortLayer::Timeouts timeouts;
        if (m_layer->getTimeouts(timeouts)) {
            timeouts.readInterval = kSlowListingInterval;
            m_layer->setTimeouts(timeouts);
        }
    }

    throwIfCancelled();
    if (!WriteText(command))
        return false;
    return ReadReply(expected, T, LongReply);
}

bool TLineComm::WriteText(const QByteArray &text)
{
    bool cts = m_handle && m_layer->ctsOn();
    Purge();
    if (!cts) {
        std::this_thread::sleep_for(kCtsRetryDelay);
        cts = m_handle && m_layer->ctsOn();
        if (!cts)
            throw ECommsError(QStringLiteral("CTS on modem was not detected."));
    }
    const bool written = m_handle && m_layer->write(text);
    if (m_handle)
        m_layer->purgeOutput();
    return written;
}

bool TLineComm::ReadReply(const QByteArray &expected, unsigned /*T*/, bool LongReply)
{
    const int requestSize = LongReply ? kLongReadSize : int(expected.size()) + kShortExtraBytes;
    int budget = LongReply ? kLongReadBudget : kShortReadBudget;
    QByteArray reply;
    bool result = true;
    for (;;) {
        --budget;
        QByteArray piece;
        if (!m_handle || !m_layer->read(piece, requestSize))
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
        if (!m_layer->read(piece, requestSize) || piece.isEmpty())
            break;
        reply += piece;
    }
    if (OnReceive)
        OnReceive(reply, quint16(reply.size()));
    if (m_handle)
        m_layer->purgeInput();
    return result;
}

bool TLineComm::Poll()
{
    QByteArray piece;
    if (!m_handle || !m_layer->read(piece, kPollReadSize))
        return false;
    if (!piece.isEmpty() && OnReceive)
        OnReceive(piece, quint16(piece.size()));
    // Pending input is kept: the receive pump reads a continuous stream, and bytes
    // that arrived after this read belong to the next one.
    return true;
}

void TLineComm::throwIfCancelled()
{
    if (!m_cancelCheck || !m_cancelCheck())
        return;
    // What arrived of the reply is of no use to anyone now.
    if (m_handle)
        m_layer->purgeInput();
    throw ExchangeCancelled();
}

void TLineComm::SetReceiveHandler(ReceiveHandler handler) { OnReceive = std::move(handler); }
