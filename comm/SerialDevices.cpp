#include "comm/SerialDevices.h"

#include "comm/PortBindings.h"

#include <QSerialPortInfo>
#include <QStringList>

namespace {

QString usbIds(const SerialDeviceInfo &device)
{
    if (device.vendorId < 0 || device.productId < 0)
        return {};
    return QStringLiteral("%1:%2").arg(device.vendorId, 4, 16, QLatin1Char('0')).arg(device.productId, 4, 16, QLatin1Char('0'));
}

} // namespace

QString SerialDeviceInfo::label() const
{
    QStringList what;
    if (!description.isEmpty())
        what << description;
    if (!manufacturer.isEmpty() && !description.contains(manufacturer))
        what << manufacturer;
    if (!serialNumber.isEmpty())
        what << QStringLiteral("S/N ") + serialNumber;
    if (const QString ids = usbIds(*this); !ids.isEmpty())
        what << ids;
    return what.isEmpty() ? systemPath : QStringLiteral("%1 (%2)").arg(systemPath, what.join(QStringLiteral(", ")));
}

QString SerialDeviceInfo::details() const
{
    QStringList lines{systemPath};
    if (!byIdPath.isEmpty())
        lines << byIdPath;
    if (!description.isEmpty())
        lines << QStringLiteral("Description: ") + description;
    if (!manufacturer.isEmpty())
        lines << QStringLiteral("Manufacturer: ") + manufacturer;
    if (!serialNumber.isEmpty())
        lines << QStringLiteral("Serial number: ") + serialNumber;
    if (const QString ids = usbIds(*this); !ids.isEmpty())
        lines << QStringLiteral("USB vendor:product: ") + ids;
    return lines.join(QLatin1Char('\n'));
}

std::vector<SerialDeviceInfo> serialDevicesWithDetails(const PortBindings &bindings)
{
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo device;
        device.systemPath = port.systemLocation();
        device.byIdPath = bindings.byIdName(device.systemPath);
        device.description = port.description();
        device.manufacturer = port.manufacturer();
        device.serialNumber = port.serialNumber();
        if (port.hasVendorIdentifier() && port.hasProductIdentifier()) {
            device.vendorId = port.vendorIdentifier();
            device.productId = port.productIdentifier();
        }
        devices.push_back(device);
    }
    return devices;
}
