// Uses the kernel's termios2 directly (custom rates need BOTHER), so <termios.h> must not
// be included in this file.
#include "Pty.h"

#include <asm/termbits.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace modemsim {

namespace {

struct StandardRate
{
    unsigned code;
    unsigned rate;
};

const StandardRate kStandard[] = {
    {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},       {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600},   {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B500000, 500000},
    {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000},
};

[[noreturn]] void fail(const char *what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

} // namespace

Pty::Pty(const LineSettings &initial)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        fail("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        fail("grantpt/unlockpt");
    char name[256];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        fail("ptsname");
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        fail("open slave");

    // Raw 8-bit line at the module's rate, so a user that does not set the line still matches.
    termios2 t{};
    if (ioctl(m_slave, TCGETS2, &t) != 0)
        fail("TCGETS2");
    t.c_iflag = 0;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = CS8 | CREAD | CLOCAL | BOTHER | (initial.twoStopBits ? CSTOPB : 0);
    t.c_ispeed = initial.rate;
    t.c_ospeed = initial.rate;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (ioctl(m_slave, TCSETS2, &t) != 0)
        fail("TCSETS2");

    int flags = fcntl(m_master, F_GETFL);
    fcntl(m_master, F_SETFL, flags | O_NONBLOCK);

    // Our own open came before the watch, so only the user side is counted.
    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch < 0 || inotify_add_watch(m_watch, name, IN_OPEN | IN_CLOSE) < 0)
        fail("inotify");
}

void Pty::onUserOpenClose()
{
    alignas(inotify_event) char buf[4096];
    for (;;) {
        ssize_t n = ::read(m_watch, buf, sizeof buf);
        if (n <= 0)
            break;
        for (ssize_t off = 0; off < n;) {
            const auto *ev = reinterpret_cast<const inotify_event *>(buf + off);
            if (ev->mask & IN_OPEN)
                ++m_userOpens;
            if (ev->mask & IN_CLOSE)
                --m_userOpens;
            off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        }
    }
    if (m_userOpens <= 0 && m_slave >= 0) {
        m_userOpens = 0;
        ioctl(m_slave, TIOCNXCL);
    }
}

Pty::~Pty()
{
    close();
}

void Pty::close()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_watch >= 0)
        ::close(m_watch);
    m_master = m_slave = m_watch = -1;
}

int Pty::unreadByUser() const
{
    int n = 0;
    if (m_slave < 0 || ioctl(m_slave, FIONREAD, &n) != 0)
        return 0;
    return n;
}

LineSettings Pty::current() const
{
    LineSettings line;
    termios2 t{};
    if (m_slave < 0 || ioctl(m_slave, TCGETS2, &t) != 0)
        return line;
    const unsigned code = t.c_cflag & CBAUD;
    if (code == BOTHER) {
        line.rate = t.c_ospeed;
    } else {
        for (const auto &s : kStandard) {
            if (s.code == code)
                line.rate = s.rate;
        }
    }
    line.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    return line;
}

} // namespace modemsim
