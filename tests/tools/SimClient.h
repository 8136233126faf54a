// A minimal raw serial client for the modem-sim tests: opens the pty slave, sets speed and
// stop bits the way a serial port layer does (termios2, BOTHER for any rate), exchanges bytes.
// <termios.h> clashes with the kernel's termios2, so it must not be included alongside.
#pragma once

#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

class SimClient
{
public:
    explicit SimClient(const std::string &path, unsigned rate = 9600, bool twoStopBits = false)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd >= 0)
            setLine(rate, twoStopBits);
    }
    ~SimClient() { close(); }
    SimClient(const SimClient &) = delete;
    SimClient &operator=(const SimClient &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool setLine(unsigned rate, bool twoStopBits = false)
    {
        termios2 t{};
        if (ioctl(m_fd, TCGETS2, &t) != 0)
            return false;
        t.c_iflag = 0;
        t.c_oflag = 0;
        t.c_lflag = 0;
        t.c_cflag = CS8 | CREAD | CLOCAL | BOTHER | (twoStopBits ? CSTOPB : 0);
        t.c_ispeed = t.c_ospeed = rate;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        return ioctl(m_fd, TCSETS2, &t) == 0;
    }

    bool send(const std::string &bytes)
    {
        return ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // Everything that arrives within `ms`.
    std::string readFor(int ms) { return readUntil({}, ms); }

    // Reads until the text received contains `expected` (empty: never) or `ms` have passed.
    std::string readUntil(const std::string &expected, int ms)
    {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (!expected.empty() && got.find(expected) != std::string::npos)
                return got;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0)
                return got;
            pollfd p{m_fd, POLLIN, 0};
            int r = poll(&p, 1, static_cast<int>(left));
            if (r <= 0)
                continue;
            if (p.revents & (POLLHUP | POLLERR)) {
                m_hungUp = true;
                return got;
            }
            char buf[512];
            ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<std::size_t>(n));
            else if (n == 0 || errno == EIO) {
                m_hungUp = true;
                return got;
            }
        }
    }

    // One command and its reply, ended by a verbose result code (else whatever came in `ms`).
    std::string command(const std::string &cmd, int ms = 1000)
    {
        send(cmd);
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            got += readFor(20);
            if (got.find("OK\r\n") != std::string::npos || got.find("ERROR\r\n") != std::string::npos)
                return got;
        }
        return got;
    }

    bool hungUp() const { return m_hungUp; }

private:
    int m_fd = -1;
    bool m_hungUp = false;
};
