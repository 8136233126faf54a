#include "comm/NetworkSerialPort.h"

#include "comm/NetworkConnection.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

unsigned parityCode(int parity)
{
    return parity == 1 ? SERGENSIO_PARITY_ODD : parity == 2 ? SERGENSIO_PARITY_EVEN : SERGENSIO_PARITY_NONE;
}

// The layer counts stop bits 0 one, 1 one and a half, 2 two; RFC 2217 1, 3 and 2.
unsigned stopBitsCode(int stopBits) { return stopBits == 2 ? 2 : stopBits == 1 ? 3 : 1; }

} // namespace

NetworkSerialPort::NetworkSerialPort() : m_connection(std::make_unique<Connection>(*this)) {}

NetworkSerialPort::~NetworkSerialPort() = default;

bool NetworkSerialPort::open(const std::string &name)
{
    if (isOpen())
        return false;
    m_connection->timeouts = {};
    m_connection->line = {};
    return m_connection->connect(name);
}

std::string NetworkSerialPort::openFailureReason() const { return m_connection->failure; }

void NetworkSerialPort::close() { m_connection->disconnect(); }

bool NetworkSerialPort::isOpen() const { return m_connection->io != nullptr; }

bool NetworkSerialPort::getLineState(LineState &state) const
{
    if (!isOpen())
        return false;
    state = m_connection->line;
    return true;
}

bool NetworkSerialPort::setLineState(const LineState &state)
{
    Connection &c = *m_connection;
    if (!isOpen() || c.remoteClosed)
        return false;
    if (!c.sio) {
        c.line = state;   // a raw socket: the server's settings stand
        return true;
    }
    if (state.baudRate <= 0 || state.byteSize < 4 || state.byteSize > 8)
        return false;
    const bool answered = c.exchangeSettings({unsigned(state.baudRate), unsigned(state.byteSize),
                                              parityCode(state.parity), stopBitsCode(state.stopBits), 0});
    return answered && c.line == state;
}

bool NetworkSerialPort::getTimeouts(Timeouts &timeouts) const
{
    if (!isOpen())
        return false;
    timeouts = m_connection->timeouts;
    return true;
}

bool NetworkSerialPort::setTimeouts(const Timeouts &timeouts)
{
    if (!isOpen())
        return false;
    m_connection->timeouts = timeouts;
    return true;
}

bool NetworkSerialPort::read(std::vector<std::uint8_t> &data, int maxBytes)
{
    data.clear();
    Connection &c = *m_connection;
    if (!isOpen() || maxBytes < 0)
        return false;
    if (maxBytes == 0 || interruptRequested())
        return true;
    const Timeouts &t = c.timeouts;
    const std::uint64_t totalMs = std::uint64_t(t.readTotalMultiplier) * unsigned(maxBytes) + t.readTotalConstant;
    const auto totalDeadline = totalMs ? Clock::now() + milliseconds(totalMs) : Connection::kNever;
    auto gapDeadline = Connection::kNever;
    for (;;) {
        if (!c.input.empty()) {
            const std::size_t take = std::min(c.input.size(), std::size_t(maxBytes) - data.size());
            data.insert(data.end(), c.input.begin(), c.input.begin() + std::ptrdiff_t(take));
            c.input.erase(c.input.begin(), c.input.begin() + std::ptrdiff_t(take));
            if (t.readInterval)
                gapDeadline = Clock::now() + milliseconds(t.readInterval);
        }
        if (data.size() == std::size_t(maxBytes))
            return true;
        if (c.remoteClosed)
            return false;   // the server hung up: a lost line
        const auto deadline = std::min(totalDeadline, gapDeadline);
        if (!c.waitUntil([&c] { return !c.input.empty() || c.remoteClosed; }, deadline))
            return true;    // timed out or interrupted: not an error
    }
}

bool NetworkSerialPort::write(std::span<const std::uint8_t> data)
{
    Connection &c = *m_connection;
    if (!isOpen() || interruptRequested())
        return false;
    const Timeouts &t = c.timeouts;
    const std::uint64_t totalMs = std::uint64_t(t.writeTotalMultiplier) * data.size() + t.writeTotalConstant;
    const auto deadline = totalMs ? Clock::now() + milliseconds(totalMs) : Connection::kNever;
    std::size_t done = 0;
    while (done < data.size()) {
        c.serviceEvents();
        if (c.remoteClosed)
            return false;
        gensiods count = 0;
        if (gensio_write(c.io, &count, data.data() + done, data.size() - done, nullptr) != 0) {
            c.remoteClosed = true;
            return false;
        }
        done += count;
        if (done == data.size())
            break;
        c.writeReady = false;
        gensio_set_write_callback_enable(c.io, true);
        if (!c.waitUntil([&c] { return c.writeReady || c.remoteClosed; }, deadline))
            return false;
    }
    return true;
}

void NetworkSerialPort::purgeOutput()
{
    // Nothing waits on this side: a write ends once the connection has taken it.
    // Nor does the purge go to the server: ser2net carries out an output purge
    // after the command that follows it has reached the device's queue, and so
    // drops the command (as TCOFLUSH does on a local pseudo-terminal).
}

void NetworkSerialPort::purgeInput()
{
    Connection &c = *m_connection;
    if (!isOpen())
        return;
    if (c.sio && !c.remoteClosed && c.sendPurge(SERGENSIO_FLUSH_RCV_BUFFER) && c.purgesAreAnswered) {
        // The server may carry out a purge after data that follows it has gone to the
        // device and been answered: the next command waits for the purge's answer,
        // and everything before it is stale.
        c.purgesAreAnswered = c.waitUntil([&c] { return c.purgesAnswered >= c.purgesSent || c.remoteClosed; },
                                          Clock::now() + Connection::kPurgeAnswer, false);
    } else {
        c.serviceEvents();   // what already arrived goes too
    }
    c.input.clear();
}

bool NetworkSerialPort::ctsOn() const
{
    Connection &c = *m_connection;
    if (!isOpen())
        return false;
    c.serviceEvents();
    if (c.remoteClosed)
        return false;   // as a hung-up local line: no modem lines at all
    if (!c.sio || c.address.ignoreCts)
        return true;
    // A server that never reported its modem lines cannot be asked; as with a port
    // without them, nothing is waited for.
    return !c.modemStateKnown || (c.modemState & SERGENSIO_MODEMSTATE_CTS) != 0;
}

std::unique_ptr<SerialPortLayer> makeNetworkPortLayer() { return std::make_unique<NetworkSerialPort>(); }
