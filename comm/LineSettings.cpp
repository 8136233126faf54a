#include "comm/LineSettings.h"

#include "comm/ComPorts.h"
#include "comm/PortBindings.h"

#include <algorithm>

int baudRateIndex(int baudRate)
{
    const auto at = std::find(kBaudRates.begin(), kBaudRates.end(), baudRate);
    return at == kBaudRates.end() ? -1 : int(at - kBaudRates.begin());
}

QString LineSettings::formatText() const
{
    static constexpr char kParityLetters[] = {'N', 'O', 'E'};
    return QStringLiteral("%1 %2-%3-%4")
        .arg(baudRate)
        .arg(QLatin1Char(kParityLetters[int(parity)]))
        .arg(dataBits)
        .arg(stopBits);
}

LineSettings lineSettingsFor(const PortSettings &settings)
{
    LineSettings line;
    line.port = QString::fromStdString(comDeviceName(settings.comPort));
    line.baudRate = settings.baudIndex < kBaudRates.size() ? kBaudRates[settings.baudIndex] : 0;
    line.dataBits = settings.dataBits == 0 ? 7 : 8;
    line.parity = settings.parity == 1 ? Parity::Odd : settings.parity == 2 ? Parity::Even : Parity::None;
    line.stopBits = settings.stopBits == 0 ? 1 : 2;
    return line;
}

PortSettings portSettingsFor(const LineSettings &line, PortSettings base)
{
    if (const int slot = comSlotOf(line.port); slot >= 0)
        base.comPort = std::uint8_t(slot);
    if (const int index = baudRateIndex(line.baudRate); index >= 0)
        base.baudIndex = std::uint8_t(index);
    base.dataBits = line.dataBits == 7 ? 0 : 1;
    base.parity = std::uint8_t(line.parity);
    base.stopBits = line.stopBits == 2 ? 1 : 0;
    return base;
}

int comSlotOf(const QString &port) { return comPortIndex(port.toStdString()); }

QString devicePathOf(const QString &port)
{
    const int slot = comSlotOf(port);
    return slot < 0 ? port : PortBindings().devicePath(slot);
}
