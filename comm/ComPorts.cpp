#include "comm/ComPorts.h"

#include "comm/PortBindings.h"

namespace {
constexpr int kPortCount = 8;
}

QString comDeviceName(int portIndex)
{
    if (portIndex < 0 || portIndex >= kPortCount)
        return {};
    return QStringLiteral("COM%1").arg(portIndex + 1);
}

int comPortIndex(const QString &deviceName)
{
    for (int i = 0; i < kPortCount; ++i)
        if (deviceName == comDeviceName(i))
            return i;
    return -1;
}

QString comDevicePath(int portIndex)
{
    return PortBindings().devicePath(portIndex);
}
