#include "ui/RememberedSettings.h"

#include "comm/LineSettings.h"
#include "comm/PortBindings.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <iterator>

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

// Reads an index of the port settings, or keeps the default when it is out of range.
void readIndex(const QSettings &settings, const char *key, int count, std::uint8_t &index)
{
    bool ok = false;
    const int value = settings.value(QLatin1String(key)).toInt(&ok);
    if (ok && value >= 0 && value < count)
        index = static_cast<std::uint8_t>(value);
}

}  // namespace

RememberedSettings::RememberedSettings(const ProductVariant &variant)
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("cfg740rb"), settingsName(variant))
{
}

PortSettings RememberedSettings::portSettings() const
{
    PortSettings ps;
    const int port = m_settings.value(QStringLiteral("port/com"), 0).toInt();
    const QString device = PortBindings().devicePath(port);
    if (!device.isEmpty() && PortBindings::isPresent(device))
        ps.comPort = static_cast<std::uint8_t>(port);
    readIndex(m_settings, "port/baud", int(kBaudRates.size()), ps.baudIndex);
    readIndex(m_settings, "port/parity", 3, ps.parity);
    readIndex(m_settings, "port/dataBits", 2, ps.dataBits);
    readIndex(m_settings, "port/stopBits", 2, ps.stopBits);
    return ps;
}

void RememberedSettings::setPortSettings(const PortSettings &settings)
{
    m_settings.setValue(QStringLiteral("port/com"), settings.comPort);
    m_settings.setValue(QStringLiteral("port/baud"), settings.baudIndex);
    m_settings.setValue(QStringLiteral("port/parity"), settings.parity);
    m_settings.setValue(QStringLiteral("port/dataBits"), settings.dataBits);
    m_settings.setValue(QStringLiteral("port/stopBits"), settings.stopBits);
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
