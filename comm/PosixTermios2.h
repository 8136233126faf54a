#pragma once

#include "comm/SerialPortLayer.h"

// Line settings through the Linux termios2 interface, which takes any baud rate
// (31250, 76800 ...) as a number. Kept apart because <asm/termbits.h> cannot share
// a translation unit with <termios.h>.
namespace termios2line {

bool get(int fd, SerialPortLayer::LineState &state);
// Changes only rate, byte size, parity and stop bits; false (and no change) for a
// value the terminal interface cannot express.
bool set(int fd, const SerialPortLayer::LineState &state);
// Raw 8-bit transfer: no line editing, echo, signals, translation or flow control;
// receiver on, modem control lines ignored.
bool makeRaw(int fd);

} // namespace termios2line
