#include "comm/ComPorts.h"

#include <cstdlib>

namespace {
constexpr int kPortCount = 8;
}

std::string comDeviceName(int portIndex)
{
    if (portIndex < 0 || portIndex >= kPortCount)
        return {};
    return "COM" + std::to_string(portIndex + 1);
}

int comPortIndex(const std::string &deviceName)
{
    for (int i = 0; i < kPortCount; ++i)
        if (deviceName == comDeviceName(i))
            return i;
    return -1;
}

std::string comDevicePath(int portIndex)
{
    if (portIndex < 0 || portIndex >= kPortCount)
        return {};
    const std::string variable = "CFG_COM" + std::to_string(portIndex + 1);
    if (const char *configured = std::getenv(variable.c_str()); configured && *configured)
        return configured;
#ifdef _WIN32
    return "\\\\.\\" + comDeviceName(portIndex);
#else
    return "/dev/ttyS" + std::to_string(portIndex);
#endif
}
