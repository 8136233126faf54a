#include "comm/ComPorts.h"

#include <QByteArray>

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
    if (portIndex < 0 || portIndex >= kPortCount)
        return {};
    const QByteArray var = "CFG_COM" + QByteArray::number(portIndex + 1);
    const QByteArray configured = qgetenv(var.constData());
    if (!configured.isEmpty())
        return QString::fromLocal8Bit(configured);
#ifdef _WIN32
    return QStringLiteral("\\\\.\\") + comDeviceName(portIndex);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portIndex);
#endif
}
