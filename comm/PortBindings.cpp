#include "comm/PortBindings.h"

#include "comm/ComPorts.h"
#include "comm/PortAddress.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int kSlots = 8;

QString slotKey(int slot) { return QStringLiteral("bindings/COM%1").arg(slot + 1); }

bool inRange(int slot) { return slot >= 0 && slot < kSlots; }

} // namespace

PortBindings::PortBindings()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("cfg740rb"), QStringLiteral("ports"))
    , m_byIdFolder(defaultByIdFolder())
{
}

PortBindings::PortBindings(const QString &fileName, const QString &byIdFolder)
    : m_settings(fileName, QSettings::NativeFormat)
    , m_byIdFolder(byIdFolder)
{
}

QString PortBindings::defaultByIdFolder() { return QStringLiteral("/dev/serial/by-id"); }

QString PortBindings::binding(int slot) const
{
    return inRange(slot) ? m_settings.value(slotKey(slot)).toString() : QString();
}

void PortBindings::bind(int slot, const QString &devicePath)
{
    if (!inRange(slot))
        return;
    const QString path = devicePath.trimmed();
    if (path.isEmpty()) {
        m_settings.remove(slotKey(slot));
        return;
    }
    const QString byId = PortAddress::isNetworkName(path.toStdString()) ? QString() : byIdName(path);
    m_settings.setValue(slotKey(slot), byId.isEmpty() ? path : byId);
}

QString PortBindings::devicePath(int slot) const
{
    if (!inRange(slot))
        return {};
    const QByteArray configured = qgetenv(QByteArray("CFG_COM" + QByteArray::number(slot + 1)).constData());
    if (!configured.isEmpty())
        return QString::fromLocal8Bit(configured);
    const QString bound = binding(slot);
    return bound.isEmpty() ? defaultDevicePath(slot) : bound;
}

QString PortBindings::describe(int slot) const
{
    const QString path = devicePath(slot);
    const QFileInfo info(path);
    if (path.isEmpty() || PortAddress::isNetworkName(path.toStdString()))
        return path;
    if (!info.exists())
        return QStringLiteral("%1 (not present)").arg(path);
    if (info.isSymLink())
        return QStringLiteral("%1 (now %2)").arg(path, info.canonicalFilePath());
    return path;
}

bool PortBindings::isPresent(const QString &devicePath)
{
    return PortAddress::isNetworkName(devicePath.toStdString()) || QFileInfo::exists(devicePath);
}

bool PortBindings::isOverridden(int slot)
{
    return inRange(slot) && !qgetenv(QByteArray("CFG_COM" + QByteArray::number(slot + 1)).constData()).isEmpty();
}

QString PortBindings::defaultDevicePath(int slot)
{
    if (!inRange(slot))
        return {};
#ifdef _WIN32
    return QStringLiteral("\\\\.\\") + QString::fromStdString(comDeviceName(slot));
#else
    return QStringLiteral("/dev/ttyS%1").arg(slot);
#endif
}

QString PortBindings::byIdName(const QString &devicePath) const
{
    const QDir folder(m_byIdFolder);
    if (QFileInfo(devicePath).absolutePath() == folder.absolutePath())
        return devicePath;
    const QString target = QFileInfo(devicePath).canonicalFilePath();
    if (target.isEmpty())
        return {};
    for (const QFileInfo &link : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (link.canonicalFilePath() == target)
            return folder.filePath(link.fileName());
    return {};
}
