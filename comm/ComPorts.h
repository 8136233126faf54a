#pragma once

#include <string>

// The PC serial ports COM1..COM8 by index 0..7.

// "COM1".."COM8"; empty for an index outside 0..7.
std::string comDeviceName(int portIndex);

// Index 0..7 of a name "COM1".."COM8", -1 for anything else.
int comPortIndex(const std::string &deviceName);

// The device that stands for a port on this system: the path in the environment
// variable CFG_COMn when set, else /dev/ttyS(n-1) (\\.\COMn on Windows). Empty for
// an index outside 0..7.
std::string comDevicePath(int portIndex);
