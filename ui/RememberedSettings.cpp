#include "ui/RememberedSettings.h"

#include "comm/ComPorts.h"
#include "comm/PortBindings.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace {

// "740R-B Configuration" -> "740r-b-configuration": a plain file name per product.
QString settingsName(const ProductVariant &variant)
{
    static const QRegularExpression others(QStringLiteral("[^a-z0-9]+"));
    QString name = variant.baseCaption.toLower().replace(others, QStringLiteral("-"));
    while (name.endsWith(QLatin1Char('-')))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("settings") : name;
}

// The line as remembered since the rates are kept in bit/s.
const QString kPortKey = QStringLiteral("line/port");
const QString kBaudRateKey = QStringLiteral("line/baudRate");
const QString kDataBitsKey = QStringLiteral("line/dataBits");
const QString kParityKey = QStringLiteral("line/parity");
const QString kStopBitsKey = QStringLiteral("line/stopBits");

const QStringList kParityNames = {QStringLiteral("none"), QStringLiteral("odd"), QStringLiteral("even")};

// A whole number stored under key, or nullopt when it is missing or no number.
std::optional<int> storedNumber(const QSettings &settings, const QString &key)
{
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// Earlier versions kept table positions under "port/": the COM slot 0..7, the rate
// 0..11 of kBaudRates, parity 0..2 (none, odd, even), data bits 0..1 (seven, eight)
// and stop bits 0..1 (one, two). They are read once, stored as the line and dropped;
// a position out of range leaves its value out, so that it reads as the default.
void convertStoredPositions(QSettings &settings)
{
    const auto holds = [&settings](const QString &group) {
        settings.beginGroup(group);
        const bool any = !settings.childKeys().isEmpty();
        settings.endGroup();
        return any;
    };
    if (!holds(QStringLiteral("port")))
        return;
    const auto position = [&settings](const char *key, int count) -> std::optional<int> {
        const std::optional<int> value = storedNumber(settings, QStringLiteral("port/") + QLatin1String(key));
        return value && *value >= 0 && *value < count ? value : std::nullopt;
    };
    // A line stored since stands; the positions beside it are leftovers.
    if (!holds(QStringLiteral("line"))) {
        if (const auto slot = position("com", 8))
            settings.setValue(kPortKey, QString::fromStdString(comDeviceName(*slot)));
        if (const auto rate = position("baud", int(kBaudRates.size())))
            settings.setValue(kBaudRateKey, kBaudRates[std::size_t(*rate)]);
        if (const auto parity = position("parity", 3))
            settings.setValue(kParityKey, kParityNames[*parity]);
        if (const auto dataBits = position("dataBits", 2))
            settings.setValue(kDataBitsKey, *dataBits == 0 ? 7 : 8);
        if (const auto stopBits = position("stopBits", 2))
            settings.setValue(kStopBitsKey, *stopBits == 0 ? 1 : 2);
    }
    settings.remove(QStringLiteral("port"));
}

}  // namespace

RememberedSettings::RememberedSettings(const ProductVariant &variant)
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("cfg740rb"), settingsName(variant))
{
    convertStoredPositions(m_settings);
}

LineSettings RememberedSettings::lineSettings() const
{
    LineSettings line;
    const QString port = m_settings.value(kPortKey).toString();
    const int slot = comSlotOf(port);
    const QString device = slot < 0 ? QString() : PortBindings().devicePath(slot);
    if (!device.isEmpty() && PortBindings::isPresent(device))
        line.port = port;
    if (const auto rate = storedNumber(m_settings, kBaudRateKey); rate && baudRateIndex(*rate) >= 0)
        line.baudRate = *rate;
    if (const auto dataBits = storedNumber(m_settings, kDataBitsKey); dataBits == 7 || dataBits == 8)
        line.dataBits = *dataBits;
    if (const auto stopBits = storedNumber(m_settings, kStopBitsKey); stopBits == 1 || stopBits == 2)
        line.stopBits = *stopBits;
    if (const qsizetype parity = kParityNames.indexOf(m_settings.value(kParityKey).toString()); parity >= 0)
        line.parity = Parity(parity);
    return line;
}

void RememberedSettings::setLineSettings(const LineSettings &line)
{
    m_settings.setValue(kPortKey, line.port);
    m_settings.setValue(kBaudRateKey, line.baudRate);
    m_settings.setValue(kDataBitsKey, line.dataBits);
    m_settings.setValue(kParityKey, kParityNames.value(int(line.parity)));
    m_settings.setValue(kStopBitsKey, line.stopBits);
}

QString RememberedSettings::lastFolder() const
{
    const QString folder = m_settings.value(QStringLiteral("files/lastFolder")).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberedSettings::setLastFolder(const QString &folder)
{
    m_settings.setValue(QStringLiteral("files/lastFolder"), folder);
}

QByteArray RememberedSettings::windowGeometry() const
{
    return m_settings.value(QStringLiteral("window/geometry")).toByteArray();
}

void RememberedSettings::setWindowGeometry(const QByteArray &geometry)
{
    m_settings.setValue(QStringLiteral("window/geometry"), geometry);
}

QStringList RememberedSettings::recentFiles() const
{
    return m_settings.value(QStringLiteral("files/recent")).toStringList();
}

void RememberedSettings::setRecentFiles(const QStringList &paths)
{
    m_settings.setValue(QStringLiteral("files/recent"), paths);
}

bool RememberedSettings::verifyAfterConfigure() const
{
    return m_settings.value(QStringLiteral("module/verifyAfterConfigure"), true).toBool();
}

void RememberedSettings::setVerifyAfterConfigure(bool on)
{
    m_settings.setValue(QStringLiteral("module/verifyAfterConfigure"), on);
}

bool RememberedSettings::silenceEndedReplies() const
{
    return m_settings.value(QStringLiteral("module/silenceEndedReplies"), false).toBool();
}

void RememberedSettings::setSilenceEndedReplies(bool on)
{
    m_settings.setValue(QStringLiteral("module/silenceEndedReplies"), on);
}
