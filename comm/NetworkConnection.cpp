#include "comm/NetworkConnection.h"

#include <gensio/gensio_err.h>
#include <gensio/gensio_os_funcs_public.h>
#include <gensio/gensio_unix.h>

namespace {

int parityOf(unsigned code) { return code == SERGENSIO_PARITY_ODD ? 1 : code == SERGENSIO_PARITY_EVEN ? 2 : 0; }

// The layer counts stop bits 0 one, 1 one and a half, 2 two; RFC 2217 1, 3 and 2.
int stopBitsOf(unsigned code) { return code == 2 ? 2 : code == 3 ? 1 : 0; }

} // namespace

NetworkSerialPort::Connection::Connection(SerialPortLayer &owner) : layer(owner)
{
    for (Answer &answer : answers)
        answer.owner = this;
    if (gensio_unix_funcs_alloc(nullptr, 0, &os) == 0)
        waiter = gensio_os_funcs_alloc_waiter(os);
}

NetworkSerialPort::Connection::~Connection()
{
    disconnect();
    if (waiter)
        gensio_os_funcs_free_waiter(os, waiter);
    if (os)
        gensio_os_funcs_free(os);
}

void NetworkSerialPort::Connection::serviceEvents()
{
    // A pass may only hand work on to the next (the telnet layer runs deferred).
    for (int pass = 0; pass < 16; ++pass) {
        gensio_time none{0, 0};
        if (gensio_os_funcs_service(os, &none) != 0)
            break;
    }
}

int NetworkSerialPort::Connection::onEvent(gensio *io, void *userData, int event, int err, unsigned char *buf,
                                           gensiods *len, const char *const * /*auxdata*/)
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

void NetworkSerialPort::Connection::onOpened(gensio * /*io*/, int err, void *data)
{
    auto *self = static_cast<Connection *>(data);
    self->opening = false;
    self->openError = err;
    self->wake();
}

void NetworkSerialPort::Connection::onClosed(gensio * /*io*/, void *data)
{
    auto *self = static_cast<Connection *>(data);
    self->closing = false;
    self->wake();
}

void NetworkSerialPort::Connection::onAnswer(sergensio * /*sio*/, int err, unsigned value, void *data)
{
    auto *answer = static_cast<Answer *>(data);
    answer->pending = false;
    answer->error = err;
    answer->value = value;
    answer->owner->wake();
}

bool NetworkSerialPort::Connection::request(Setting which, unsigned value)
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

bool NetworkSerialPort::Connection::sendPurge(unsigned which)
{
    if (sergensio_flush(sio, which) != 0)
        return false;
    ++purgesSent;
    return true;
}

bool NetworkSerialPort::Connection::exchangeSettings(const std::array<unsigned, SettingCount> &values)
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

std::string NetworkSerialPort::Connection::connectFailure(int err) const
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

bool NetworkSerialPort::Connection::connect(const std::string &name)
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

NetworkSerialPort::Connection::Attempt NetworkSerialPort::Connection::tryConnect(Clock::time_point giveUp)
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

void NetworkSerialPort::Connection::disconnect()
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
