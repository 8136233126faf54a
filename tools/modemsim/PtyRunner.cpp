#include "PtyRunner.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace modemsim {

using Clock = Modem::Clock;

PtyRunner::PtyRunner(const Options &options, Pty &pty, EventLog &log, const Settings &stored)
    : m_pty(pty)
    , m_modem(options, *this, log, stored, Clock::now())
{
}

long PtyRunner::write(const std::string &bytes)
{
    ssize_t n;
    do {
        n = ::write(m_pty.masterFd(), bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

int PtyRunner::run(int stopFd)
{
    for (;;) {
        Clock::time_point now = Clock::now();
        m_modem.advance(now);
        if (m_modem.hangupDue()) {
            // A hangup discards what the user side has not read: let the last reply
            // arrive first (a second at most), as it would have left the wire. The pty
            // hands written bytes over asynchronously, hence the first pause.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            for (int i = 0; i < 100 && m_pty.unreadByUser() > 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            m_pty.close();
            return 0;
        }

        Clock::time_point wake = now + std::chrono::seconds(1);
        if (auto next = m_modem.nextEvent())
            wake = std::min(wake, *next);
        auto waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
        waitMs = std::clamp<long long>(waitMs + 1, 0, 1000); // +1: never wake just before a deadline

        pollfd fds[3] = {{stopFd, POLLIN, 0}, {m_pty.masterFd(), POLLIN, 0}, {m_pty.watchFd(), POLLIN, 0}};
        int r = poll(fds, 3, static_cast<int>(waitMs));
        if (r < 0 && errno != EINTR) {
            std::perror("modem-sim: poll");
            return 1;
        }
        if (r <= 0)
            continue;
        if (fds[0].revents != 0)
            return 0;
        if (fds[2].revents & POLLIN)
            m_pty.onUserOpenClose();
        if (fds[1].revents & POLLIN) {
            char buf[512];
            ssize_t n = ::read(m_pty.masterFd(), buf, sizeof buf);
            if (n > 0)
                m_modem.input(std::string(buf, static_cast<std::size_t>(n)), Clock::now());
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            // Cannot last while we hold a slave descriptor; do not spin if it does.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}

} // namespace modemsim
