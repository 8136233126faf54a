#include "comm/PortName.h"

#include "comm/LineSettings.h"
#include "comm/PortAddress.h"

#include <QFileInfo>

std::optional<QString> portFromName(const QString &name, QString *why)
{
    if (comSlotOf(name.toUpper()) >= 0)
        return name.toUpper();
    if (name.startsWith(QLatin1Char('/')))
        return name;
    if (PortAddress::isNetworkName(name.toStdString())) {
        std::string networkError;
        if (PortAddress::parse(name.toStdString(), &networkError))
            return name;
        *why = QString::fromStdString(networkError);
        return std::nullopt;
    }
    if (name.contains(QLatin1Char('/')) || QFileInfo::exists(name))
        return QFileInfo(name).absoluteFilePath();  // relative to where the program runs
    *why = QStringLiteral("not COM1..COM8, a device path nor rfc2217://host:port or tcp://host:port");
    return std::nullopt;
}
