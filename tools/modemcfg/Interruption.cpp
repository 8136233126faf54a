#include "Interruption.h"

#include <cerrno>
#include <csignal>
#include <cstdint>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

int signalFd = -1;
volatile std::sig_atomic_t firstSignal = 0;

extern "C" void onSignal(int number)
{
    const int saved = errno;
    if (firstSignal == 0)
        firstSignal = number;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalFd, &one, sizeof one);
    errno = saved;
}

void setHandler(int signal, void (*handler)(int), unsigned flags)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = static_cast<int>(flags);
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

}  // namespace

Interruption::Interruption()
{
    signalFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_quit = eventfd(0, EFD_CLOEXEC);
    firstSignal = 0;
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        setHandler(number, onSignal, SA_RESTART);
    setHandler(SIGPIPE, SIG_IGN, 0u);
    m_watcher = std::thread([this] { watch(); });
}

Interruption::~Interruption()
{
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        setHandler(number, SIG_DFL, 0u);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_quit, &one, sizeof one);
    m_watcher.join();
    ::close(m_quit);
    ::close(signalFd);
    signalFd = -1;
}

int Interruption::signal() const { return firstSignal; }

void Interruption::watch()
{
    pollfd fds[2] = {{signalFd, POLLIN, 0}, {m_quit, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(signalFd, &count, sizeof count);
            m_source.request_stop();
        }
    }
}
