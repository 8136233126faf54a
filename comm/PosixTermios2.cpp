#include "comm/PosixTermios2.h"

#ifdef __linux__

#include <asm/ioctls.h>
#include <asm/termbits.h>

// <sys/ioctl.h> would pull in the libc terminal types that clash with the kernel's.
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace termios2line {

namespace {
bool load(int fd, termios2 &t) { return ioctl(fd, TCGETS2, &t) == 0; }
bool store(int fd, const termios2 &t) { return ioctl(fd, TCSETS2, &t) == 0; }

bool byteSizeFlag(int byteSize, tcflag_t &flag)
{
    switch (byteSize) {
    case 5: flag = CS5; return true;
    case 6: flag = CS6; return true;
    case 7: flag = CS7; return true;
    case 8: flag = CS8; return true;
    default: return false;
    }
}

bool parityFlags(int parity, tcflag_t &flags)
{
    switch (parity) {
    case 0: flags = 0; return true;
    case 1: flags = PARENB | PARODD; return true;
    case 2: flags = PARENB; return true;
    case 3: flags = PARENB | CMSPAR | PARODD; return true;   // mark
    case 4: flags = PARENB | CMSPAR; return true;            // space
    default: return false;
    }
}
} // namespace

bool get(int fd, SerialPortLayer::LineState &state)
{
    termios2 t{};
    if (!load(fd, t))
        return false;
    state.baudRate = static_cast<int>(t.c_ospeed);
    switch (t.c_cflag & CSIZE) {
    case CS5: state.byteSize = 5; break;
    case CS6: state.byteSize = 6; break;
    case CS7: state.byteSize = 7; break;
    default: state.byteSize = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        state.parity = 0;
    else if (t.c_cflag & CMSPAR)
        state.parity = (t.c_cflag & PARODD) ? 3 : 4;
    else
        state.parity = (t.c_cflag & PARODD) ? 1 : 2;
    state.stopBits = !(t.c_cflag & CSTOPB) ? 0 : (state.byteSize == 5 ? 1 : 2);
    return true;
}

bool set(int fd, const SerialPortLayer::LineState &state)
{
    tcflag_t size = 0, parity = 0;
    if (state.baudRate <= 0 || !byteSizeFlag(state.byteSize, size) || !parityFlags(state.parity, parity))
        return false;
    if (state.stopBits != 0 && state.stopBits != 1 && state.stopBits != 2)
        return false;
    termios2 t{};
    if (!load(fd, t))
        return false;
    t.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT) | size | parity;
    if (state.stopBits != 0)
        t.c_cflag |= CSTOPB;
    t.c_ispeed = t.c_ospeed = static_cast<speed_t>(state.baudRate);
    return store(fd, t);
}

bool makeRaw(int fd)
{
    termios2 t{};
    if (!load(fd, t))
        return false;
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~CRTSCTS;
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;       // with O_NONBLOCK: no data is EAGAIN, 0 bytes means hang-up
    t.c_cc[VTIME] = 0;
    return store(fd, t);
}

} // namespace termios2line

#else
#error "termios2 line settings are Linux-only; another system needs its own port layer"
#endif
