#include "comm/NetworkSerialPort.h"

#include "comm/PortAddress.h"

#include <gensio/gensio.h>
#include <gensio/gensio_err.h>
#include <gensio/gensio_os_funcs_public.h>
#include <gensio/gensio_unix.h>
#include <gensio/sergensio.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Longest single wait on the event loop: how late an interrupt from another thread
// may be seen.
constexpr milliseconds kSlice{10};
// How long the server may take to acknowledge a setting or to report the modem state.
constexpr milliseconds kServerAnswer{2000};
constexpr milliseconds kFirstModemState{1000};
constexpr milliseconds kPurgeAnswer{500};
constexpr milliseconds kCloseWait{1000};
// Between connections the server turned away at once.
constexpr milliseconds kBusyRetry{50};

constexpr Clock::time_point kNever = Clock::time_point::max();

unsigned parityCode(int parity)
{
    return parity == 1 ? SERGENSIO_PARITY_ODD : parity == 2 ? SERGENSIO_PARITY_EVEN : SERGENSIO_PARITY_NONE;
}

int parityOf(unsigned code) { return code == SERGENSIO_PARITY_ODD ? 1 : code == SERGENSIO_PARITY_EVEN ? 2 : 0; }

// The layer counts stop bits 0 one, 1 one and a half, 2 two; RFC 2217 1, 3 and 2.
unsigned stopBitsCode(int stopBits) { return stopBits == 2 ? 2 : stopBits == 1 ? 3 : 1; }
int stopBitsOf(unsigned code) { return code == 2 ? 2 : code == 3 ? 1 : 0; }

} // namespace

struct NetworkSerialPort::Connection {
    enum Setting { Baud, DataSize, Parity, StopBits, FlowControl, SettingCount };
    struct Answer {
        Connection *owner = nullptr;
        bool pending = false;
        int error = 0;
        unsigned value = 0;
    };

    SerialPortLayer &layer;
    gensio_os_funcs *os = nullptr;
    gensio_waiter *waiter = nullptr;
    gensio *io = nullptr;
    sergensio *sio = nullptr;
    PortAddress address;
    std::string failure;

    std::vector<std::uint8_t> input;
    bool remoteClosed = false;
    bool writeReady = false;
    bool opening = false;
    int openError = 0;
    bool closing = false;
    bool modemStateKnown = false;
    unsigned modemState = 0;
    unsigned purgesSent = 0;
    unsigned purgesAnswered = 0;
    bool purgesAreAnswered = true;   // until a server leaves one unanswered
    std::array<Answer, SettingCount> answers;

    LineState line;
    Timeouts timeouts;

    explicit Connection(SerialPortLayer &owner) : layer(owner)
    {
        for (Answer &answer : answers)
            answer.owner = this;
        if (gensio_unix_funcs_alloc(nullptr, 0, &os) == 0)
            waiter = gensio_os_funcs_alloc_waiter(os);
    }

    ~Connection()
    {
        disconnect();
        if (waiter)
            gensio_os_funcs_free_waiter(os, waiter);
        if (os)
            gensio_os_funcs_free(os);
    }

    void wake() { gensio_os_funcs_wake(os, waiter); }

    // Runs the event loop until `done` holds, `deadline` passes or (with
    // `interruptible`) the layer is interrupted. Returns whether `done` holds.
    template <typename Done>
    bool waitUntil(Done done, Clock::time_point deadline, bool interruptible = true)
    {
        for (;;) {
            if (done())
                return true;
            if (interruptible && layer.interruptRequested())
                return false;
            auto slice = kSlice;
            if (deadline != kNever) {
                const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
                if (left <= milliseconds(0))
                    return done();
                slice = std::min(slice, left + milliseconds(1));
            }
            gensio_time timeout{0, int(std::chrono::nanoseconds(slice).count())};
            gensio_os_funcs_wait(os, waiter, 1, &timeout);
        }
    }

    // Takes whatever events are waiting, without blocking.
    void serviceEvents()
    {
        // A pass may only hand work on to the next (the telnet layer runs deferred).
        for (int pass = 0; pass < 16; ++pass) {
            gensio_time none{0, 0};
            if (gensio_os_funcs_service(os, &none) != 0)
                break;
        }
    }

    static int onEvent(gensio *io, void *userData, int event, int err, unsigned char *buf, gensiods *len,
                       const char *const * /*auxdata*/)
    {
        auto *self = static_cast<Connection *>(userData);
        switch (event) {
        case GENSIO_EVENT_READ:
            if (err) {
                self->remoteClosed = true;
                gensio_set_read_callback_enable(io, false);
            } else {
                self->input.insert(self->input.end(), buf, buf + *len);
            }
            break;
        case GENSIO_EVENT_WRITE_READY:
            self->writeReady = true;
            gensio_set_write_callback_enable(io, false);
            break;
        case GENSIO_EVENT_SER_MODEMSTATE:
            self->modemState = *reinterpret_cast<unsigned *>(buf);
            self->modemStateKnown = true;
            break;
        case GENSIO_EVENT_SER_FLUSH:   // the server's answer to a purge
            ++self->purgesAnswered;
            break;
        default:
            return GE_NOTSUP;
        }
        self->wake();
        return 0;
    }

    static void onOpened(gensio * /*io*/, int err, void *data)
    {
        auto *self = static_cast<Connection *>(data);
        self->opening = false;
        self->openError = err;
        self->wake();
    }

    static void onClosed(gensio * /*io*/, void *data)
    {
        auto *self = static_cast<Connection *>(data);
        self->closing = false;
        self->wake();
    }

    static void onAnswer(sergensio * /*sio*/, int err, unsigned value, void *data)
    {
        auto *answer = static_cast<Answer *>(data);
        answer->pending = false;
        answer->error = err;
        answer->value = value;
        answer->owner->wake();
    }

    // Asks the server for a setting (0 asks only for its value); the answer lands in answers[which].
    bool request(Setting which, unsigned value)
    {
        Answer &answer = answers[which];
        answer.pending = true;
        answer.error = 0;
        int rv = GE_NOTSUP;
        switch (which) {
        case Baud: rv = sergensio_baud(sio, value, onAnswer, &answer); break;
        case DataSize: rv = sergensio_datasize(sio, value, onAnswer, &answer); break;
        case Parity: rv = sergensio_parity(sio, value, onAnswer, &answer); break;
        case StopBits: rv = sergensio_stopbits(sio, value, onAnswer, &answer); break;
        case FlowControl: rv = sergensio_flowcontrol(sio, value, onAnswer, &answer); break;
        case SettingCount: break;
        }
        if (rv != 0)
            answer.pending = false;
        return rv == 0;
    }

    bool sendPurge(unsigned which)
    {
        if (sergensio_flush(sio, which) != 0)
            return false;
        ++purgesSent;
        return true;
    }

    bool answersIn()
    {
        return std::none_of(answers.begin(), answers.end(), [](const Answer &a) { return a.pending; });
    }

    // Sends the line settings (or with all zero, asks for them) and waits for the
    // server's answers; the acknowledged values become the line state.
    bool exchangeSettings(const std::array<unsigned, SettingCount> &values)
    {
        for (Answer &answer : answers)
            answer.error = 0;
        bool sent = true;
        for (int which = 0; which < SettingCount; ++which)
            if (which != FlowControl || values[which] != 0)
                sent = request(Setting(which), values[which]) && sent;
        if (!waitUntil([this] { return answersIn() || remoteClosed; }, Clock::now() + kServerAnswer, false))
            return false;
        bool ok = sent && !remoteClosed;
        for (const Answer &answer : answers)
            ok = ok && answer.error == 0;
        if (!ok)
            return false;
        line.baudRate = int(answers[Baud].value);
        line.byteSize = int(answers[DataSize].value);
        line.parity = parityOf(answers[Parity].value);
        line.stopBits = stopBitsOf(answers[StopBits].value);
        return true;
    }

    std::string connectFailure(int err) const
    {
        const std::string where = address.endpointText();
        if (err == GE_CONNREFUSE)
            return "The connection to " + where
                   + " was refused: nothing serves that port there. Check that the device server (ser2net) "
                     "runs on that machine and serves this TCP port.";
        if (err == GE_TIMEDOUT)
            return "No answer from " + where + " within " + std::to_string(kConnectTimeoutMs / 1000)
                   + " seconds. Check the host name or address, the network and any firewall between.";
        return "Cannot connect to " + where + ": " + gensio_err_to_str(err) + ".";
    }

    enum class Attempt { Connected, Busy, Failed };

    // Connects to the parsed address, retrying while the server turns the
    // connection away at once: a server that is still closing the port's previous
    // session (its device is being released) does so for a moment.
    bool connect(const std::string &name)
    {
        failure.clear();
        std::string why;
        const auto parsed = PortAddress::parse(name, &why);
        if (!parsed) {
            failure = name + " is not a usable network port: " + why + ".";
            return false;
        }
        address = *parsed;
        if (!os || !waiter) {
            failure = "The network layer could not start (libgensio).";
            return false;
        }
        const auto giveUp = Clock::now() + milliseconds(kConnectTimeoutMs);
        for (;;) {
            const Attempt attempt = tryConnect(giveUp);
            if (attempt == Attempt::Connected)
                return true;
            if (attempt == Attempt::Failed)
                return false;
            const auto retryAt = Clock::now() + kBusyRetry;
            if (retryAt >= giveUp) {
                failure = "The device server at " + address.endpointText()
                          + " closes every connection at once: it may be serving another client, or it cannot "
                            "open its serial device.";
                return false;
            }
            waitUntil([] { return false; }, retryAt);
            if (layer.interruptRequested()) {
                failure = "The connection to " + address.endpointText() + " was abandoned.";
                return false;
            }
        }
    }

    Attempt tryConnect(Clock::time_point giveUp)
    {
        int rv = str_to_gensio(address.gensioSpec().c_str(), os, onEvent, this, &io);
        if (rv != 0) {
            failure = "Cannot reach " + address.endpointText() + ": " + gensio_err_to_str(rv)
                      + ". Check the host name or address.";
            io = nullptr;
            return Attempt::Failed;
        }
        remoteClosed = false;
        input.clear();
        purgesSent = purgesAnswered = 0;
        purgesAreAnswered = true;
        opening = true;
        openError = 0;
        rv = gensio_open(io, onOpened, this);
        if (rv != 0) {
            opening = false;
            openError = rv;
        }
        const bool settled = waitUntil([this] { return !opening; }, giveUp);
        if (!settled || openError != 0) {
            if (!settled)
                failure = layer.interruptRequested() ? "The connection to " + address.endpointText() + " was abandoned."
                                                     : connectFailure(GE_TIMEDOUT);
            else
                failure = connectFailure(openError);
            disconnect();
            return settled && openError == GE_REMCLOSE ? Attempt::Busy : Attempt::Failed;
        }
        gensio_set_read_callback_enable(io, true);
        if (address.protocol == PortAddress::Protocol::Rfc2217) {
            sio = gensio_to_sergensio(io);
            if (!sio) {
                failure = address.endpointText() + " does not speak RFC 2217.";
                disconnect();
                return Attempt::Failed;
            }
            // Reports of CTS changes, the first one at once; then what the port is set to.
            modemStateKnown = false;
            sergensio_modemstate(sio, SERGENSIO_MODEMSTATE_CTS_CHANGED);
            if (!exchangeSettings({0, 0, 0, 0, SERGENSIO_FLOWCONTROL_NONE})) {
                const bool busy = remoteClosed;
                failure = address.endpointText() + " did not answer as an RFC 2217 server (no line settings).";
                disconnect();
                return busy ? Attempt::Busy : Attempt::Failed;
            }
            waitUntil([this] { return modemStateKnown || remoteClosed; }, Clock::now() + kFirstModemState, false);
            if (remoteClosed) {
                disconnect();
                return Attempt::Busy;
            }
        }
        return Attempt::Connected;
    }

    void disconnect()
    {
        if (!io)
            return;
        closing = true;
        if (gensio_close(io, onClosed, this) == 0)
            waitUntil([this] { return !closing; }, Clock::now() + kCloseWait, false);
        gensio_free(io);
        io = nullptr;
        sio = nullptr;
        input.clear();
        opening = false;
        for (Answer &answer : answers)
            answer.pending = false;
    }
};

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
    const auto totalDeadline = totalMs ? Clock::now() + milliseconds(totalMs) : kNever;
    auto gapDeadline = kNever;
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
    const auto deadline = totalMs ? Clock::now() + milliseconds(totalMs) : kNever;
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
                                          Clock::now() + kPurgeAnswer, false);
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
