// modem-sim: a simulated radio modem on a pseudo-terminal (see tools/README.md).
#include "EventLog.h"
#include "Options.h"
#include "Pty.h"
#include "PtyRunner.h"
#include "StoredProfile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace modemsim;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &c, 1);
    errno = saved;
}

bool installSignals()
{
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        if (sigaction(sig, &sa, nullptr) != 0)
            return false;
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

// Removes the --link symlink on exit, but only while it still points at our pty.
class Link
{
public:
    Link(std::string path, const std::string &target)
        : m_path(std::move(path))
        , m_target(target)
    {
        if (m_path.empty())
            return;
        struct stat st {};
        if (lstat(m_path.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode))
                throw std::runtime_error(m_path + " exists and is not a symbolic link");
            unlink(m_path.c_str());
        }
        if (symlink(target.c_str(), m_path.c_str()) != 0)
            throw std::runtime_error("symlink " + m_path + ": " + std::strerror(errno));
    }
    ~Link()
    {
        if (m_path.empty())
            return;
        char buf[512];
        ssize_t n = readlink(m_path.c_str(), buf, sizeof buf - 1);
        if (n > 0 && std::string(buf, static_cast<std::size_t>(n)) == m_target)
            unlink(m_path.c_str());
    }
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

private:
    std::string m_path;
    std::string m_target;
};

} // namespace

int main(int argc, char **argv)
{
    std::string message;
    auto options = parseOptions(argc, argv, message);
    if (!options) {
        const bool help = message == usage();
        (help ? std::cout : std::cerr) << message;
        return help ? 0 : 2;
    }
    if (!installSignals()) {
        std::perror("modem-sim: signals");
        return 1;
    }
    try {
        const Settings stored = powerUpProfile(*options);
        EventLog log = options->logFile.empty() ? EventLog() : EventLog(options->logFile);
        Pty pty(LineSettings{stored.rate(), stored.twoStopBits()});
        Link link(options->link, pty.slavePath());
        PtyRunner modem(*options, pty, log, stored);

        std::cout << pty.slavePath() << std::endl;
        return modem.run(g_signalPipe[0]);
    } catch (const std::exception &e) {
        std::cerr << "modem-sim: " << e.what() << "\n";
        return 1;
    }
}
