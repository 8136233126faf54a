#include "comm/PosixSerialPort.h"

#include "comm/ComPorts.h"
#include "comm/PosixTermios2.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Nanos = std::int64_t;
constexpr Nanos kNoDeadline = -1;

Nanos nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanos(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

Nanos msToNs(std::uint64_t ms) { return Nanos(ms) * 1'000'000; }

Nanos earliest(Nanos a, Nanos b)
{
    if (a == kNoDeadline)
        return b;
    if (b == kNoDeadline)
        return a;
    return a < b ? a : b;
}

constexpr int kInterrupted = -2;

// Waits for `events` on `fd` (-1: on nothing) until the monotonic `deadline`
// (kNoDeadline: for ever) or until `wakeFd` becomes readable. Returns the revents,
// 0 on time-out, kInterrupted, or -1 on error.
int waitFor(int fd, short events, Nanos deadline, int wakeFd)
{
    for (;;) {
        timespec ts{};
        timespec *timeout = nullptr;
        if (deadline != kNoDeadline) {
            const Nanos left = deadline - nowNs();
            if (left <= 0)
                return 0;
            ts.tv_sec = left / 1'000'000'000;
            ts.tv_nsec = left % 1'000'000'000;
            timeout = &ts;
        }
        pollfd pfds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
        const int n = ppoll(pfds, 2, timeout, nullptr);
        if (n > 0 && pfds[1].revents)
            return kInterrupted;
        if (n > 0)
            return pfds[0].revents;
        if (n == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

// Bytes still waiting in the driver to be sent; 0 where the device keeps no such
// queue (a pseudo-terminal).
int queuedOutput(int fd)
{
    int queued = 0;
    return ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : 0;
}

// Discards what is waiting to be sent. Only done when the driver reports a queue:
// on a pseudo-terminal TCOFLUSH would instead drop what the other side has not
// read yet, which has long left this side.
void discardOutput(int fd)
{
    if (queuedOutput(fd) > 0)
        tcflush(fd, TCOFLUSH);
}

} // namespace

PosixSerialPort::~PosixSerialPort()
{
    close();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void PosixSerialPort::onInterruptChanged(bool interrupted)
{
    const int wakeFd = m_wakeFd.load();
    if (wakeFd < 0)
        return;
    std::uint64_t count = 1;
    if (interrupted) {
        [[maybe_unused]] const ssize_t n = ::write(wakeFd, &count, sizeof count);
    } else {
        [[maybe_unused]] const ssize_t n = ::read(wakeFd, &count, sizeof count);   // drains it
    }
}

bool PosixSerialPort::open(const std::string &deviceName)
{
    if (m_fd >= 0)
        return false;
    // A slot name ("COM1") stands for its device; anything else is a device path.
    const int slot = comPortIndex(deviceName);
    const std::string path = slot >= 0 ? comDevicePath(slot) : deviceName;
    if (path.empty() || path.front() != '/')
        return false;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    // TIOCEXCL keeps other users out, but not root; the advisory lock also covers
    // a second open by a privileged process (or by this one).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    if (isatty(fd)) {
        ioctl(fd, TIOCEXCL);
        termios2line::makeRaw(fd);
    }
    m_fd = fd;
    m_timeouts = {};
    // Made with the first opening of a terminal and kept until the end, so an
    // interrupt from another thread never meets a closed descriptor.
    if (isatty(fd) && m_wakeFd.load() < 0) {
        m_wakeFd.store(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
        if (interruptRequested())
            onInterruptChanged(true);
    }
    return true;
}

bool PosixSerialPort::isCommDevice() const { return m_fd >= 0 && isatty(m_fd); }

void PosixSerialPort::close()
{
    if (m_fd < 0)
        return;
    // Anything still queued for sending is dropped, so the close never waits on a
    // line that does not drain.
    if (isatty(m_fd)) {
        discardOutput(m_fd);
        ioctl(m_fd, TIOCNXCL);
    }
    ::close(m_fd);
    m_fd = -1;
}

bool PosixSerialPort::getLineState(LineState &state) const
{
    return m_fd >= 0 && termios2line::get(m_fd, state);
}

bool PosixSerialPort::setLineState(const LineState &state)
{
    return m_fd >= 0 && termios2line::set(m_fd, state);
}

bool PosixSerialPort::getTimeouts(Timeouts &timeouts) const
{
    if (m_fd < 0)
        return false;
    timeouts = m_timeouts;
    return true;
}

bool PosixSerialPort::setTimeouts(const Timeouts &timeouts)
{
    if (m_fd < 0)
        return false;
    m_timeouts = timeouts;
    return true;
}

bool PosixSerialPort::read(std::vector<std::uint8_t> &data, int maxBytes)
{
    data.clear();
    if (m_fd < 0 || maxBytes < 0)
        return false;
    if (maxBytes == 0 || interruptRequested())
        return true;
    data.resize(size_t(maxBytes));
    const Nanos start = nowNs();
    const std::uint64_t totalMs =
        std::uint64_t(m_timeouts.readTotalMultiplier) * unsigned(maxBytes) + m_timeouts.readTotalConstant;
    const Nanos totalDeadline = totalMs ? start + msToNs(totalMs) : kNoDeadline;
    Nanos gapDeadline = kNoDeadline;
    int got = 0;
    bool ok = true;
    while (got < maxBytes) {
        const int revents = waitFor(m_fd, POLLIN, earliest(totalDeadline, gapDeadline), m_wakeFd);
        if (revents == 0 || revents == kInterrupted)
            break;                                   // timed out or interrupted: not an error
        if (revents < 0 || (revents & (POLLERR | POLLNVAL))) {
            ok = false;
            break;
        }
        const ssize_t n = ::read(m_fd, data.data() + got, size_t(maxBytes - got));
        if (n > 0) {
            got += int(n);
            if (m_timeouts.readInterval)
                gapDeadline = nowNs() + msToNs(m_timeouts.readInterval);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        ok = false;                                  // hang-up (end of file) or error
        break;
    }
    data.resize(size_t(got));
    return ok;
}

bool PosixSerialPort::write(std::span<const std::uint8_t> data)
{
    if (m_fd < 0 || interruptRequested())
        return false;
    const std::uint64_t totalMs =
        std::uint64_t(m_timeouts.writeTotalMultiplier) * std::uint64_t(data.size()) + m_timeouts.writeTotalConstant;
    const Nanos deadline = totalMs ? nowNs() + msToNs(totalMs) : kNoDeadline;
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(m_fd, data.data() + done, data.size() - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        const int revents = waitFor(m_fd, POLLOUT, deadline, m_wakeFd);
        if (revents <= 0 || (revents & (POLLERR | POLLHUP | POLLNVAL)))
            return false;
    }
    // The write counts as done once the bytes have left the output queue: a later
    // discard of pending output must not cut the command short.
    for (;;) {
        if (queuedOutput(m_fd) <= 0)
            return true;
        const Nanos now = nowNs();
        if (deadline != kNoDeadline && now >= deadline)
            return false;
        if (waitFor(-1, 0, earliest(deadline, now + msToNs(1)), m_wakeFd) == kInterrupted)
            return false;
    }
}

void PosixSerialPort::purgeOutput()
{
    if (m_fd >= 0)
        discardOutput(m_fd);
}

void PosixSerialPort::purgeInput()
{
    if (m_fd >= 0)
        tcflush(m_fd, TCIFLUSH);
}

bool PosixSerialPort::ctsOn() const
{
    if (m_fd < 0)
        return false;
    int lines = 0;
    if (ioctl(m_fd, TIOCMGET, &lines) != 0)
        return errno == ENOTTY || errno == EINVAL;   // no modem lines (a pty): nothing to wait for
    return (lines & TIOCM_CTS) != 0;
}

// The port layer of this system; a Windows build defines it beside its own layer.
std::unique_ptr<SerialPortLayer> makeSystemPortLayer() { return std::make_unique<PosixSerialPort>(); }
