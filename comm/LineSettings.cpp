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
    const QChar letter = parity == Parity::Odd ? u'O' : parity == Parity::Even ? u'E' : u'N';
    return QStringLiteral("%1-%2-%3").arg(letter).arg(dataBits).arg(stopBits);
}

QString LineSettings::rateAndFormatText() const
{
    return QString::number(baudRate) + u' ' + formatText();
}

int comSlotOf(const QString &port) { return comPortIndex(port.toStdString()); }

QString devicePathOf(const QString &port)
{
    const int slot = comSlotOf(port);
    return slot < 0 ? port : PortBindings().devicePath(slot);
}
