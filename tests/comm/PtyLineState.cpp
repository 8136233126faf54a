#include "PtyLineState.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

bool readPtyLineState(int fd, PtyLineState &state)
{
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    state.inputSpeed = t.c_ispeed;
    state.outputSpeed = t.c_ospeed;
    state.customRate = (t.c_cflag & CBAUD) == BOTHER;
    const unsigned cs = t.c_cflag & CSIZE;
    state.byteSize = cs == CS5 ? 5 : cs == CS6 ? 6 : cs == CS7 ? 7 : 8;
    state.parityOn = (t.c_cflag & PARENB) != 0;
    state.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    state.rawInput = !(t.c_lflag & (ICANON | ECHO | ISIG)) && !(t.c_iflag & (ICRNL | IXON));
    state.receiverOnLocalLine = (t.c_cflag & (CREAD | CLOCAL)) == (CREAD | CLOCAL);
    state.hardwareFlowControl = (t.c_cflag & CRTSCTS) != 0;
    state.outputProcessing = (t.c_oflag & OPOST) != 0;
    return true;
}
