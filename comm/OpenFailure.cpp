#include "comm/OpenFailure.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QByteArray local(const QString &path) { return path.toLocal8Bit(); }

QString canonical(const QString &path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? path : resolved;
}

QString commandLineOf(const QString &procDir)
{
    QFile file(procDir + QStringLiteral("/cmdline"));
    QByteArray raw;
    if (file.open(QIODevice::ReadOnly))
        raw = file.readAll();
    QString line = QString::fromLocal8Bit(raw.replace('\0', ' ')).trimmed();
    if (line.isEmpty()) {
        QFile comm(procDir + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly))
            line = QString::fromLocal8Bit(comm.readAll()).trimmed();
    }
    return line;
}

QString processName(const DeviceHolder &holder)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(holder.pid));
    if (comm.open(QIODevice::ReadOnly))
        return QString::fromLocal8Bit(comm.readAll()).trimmed();
    return {};
}

// An on-board UART node exists whether or not hardware sits behind it; the driver
// reports the UART type only for a real one.
bool isUartPresent(const QString &path)
{
    const int fd = ::open(local(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY || errno == EACCES;   // in use or not ours: it is there
    serial_struct info{};
    const bool present = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return present;
}

// "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", " for a USB adapter, else empty.
QString usbMatch(const QString &devicePath)
{
    const QString name = QFileInfo(canonical(devicePath)).fileName();
    QString dir = QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(name)).canonicalFilePath();
    for (int depth = 0; !dir.isEmpty() && dir != QStringLiteral("/sys") && depth < 6; ++depth) {
        QFile vendor(dir + QStringLiteral("/idVendor"));
        QFile product(dir + QStringLiteral("/idProduct"));
        if (vendor.open(QIODevice::ReadOnly) && product.open(QIODevice::ReadOnly))
            return QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", ")
                .arg(QString::fromLatin1(vendor.readAll()).trimmed(),
                     QString::fromLatin1(product.readAll()).trimmed());
        dir = QFileInfo(dir).path();
    }
    return {};
}

QString explainPermission(const QString &path)
{
    struct stat st{};
    if (::stat(local(path).constData(), &st) != 0)
        return QStringLiteral("Permission to open %1 was denied.").arg(path);
    // Joining the device's group helps only when that group may read and write it;
    // root's group is no group to join.
    const bool groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    const struct group *entry = getgrgid(st.st_gid);
    if (groupMayOpen && st.st_gid != 0 && entry)
        return QStringLiteral("Permission to open %1 was denied: the device belongs to the group %2. "
                              "Join that group with\n    sudo usermod -aG %2 $USER\nthen log out and log in again.")
            .arg(path, QString::fromLocal8Bit(entry->gr_name));
    return QStringLiteral("Permission to open %1 was denied, and no group but its owner's may open it. Give it to "
                          "a group of yours with a udev rule such as\n    SUBSYSTEM==\"tty\", %2GROUP=\"dialout\", "
                          "MODE=\"0660\"\nin a file in /etc/udev/rules.d/, then run sudo udevadm control "
                          "--reload-rules, replug the adapter and join the group dialout.")
        .arg(path, usbMatch(path));
}

// Processes that hold an flock() on the device, from /proc/locks ("1: FLOCK ADVISORY
// WRITE <pid> <major>:<minor>:<inode> 0 EOF", device numbers in hex).
std::vector<qint64> lockOwners(const QString &path)
{
    struct stat st{};
    std::vector<qint64> owners;
    QFile locks(QStringLiteral("/proc/locks"));
    if (::stat(local(path).constData(), &st) != 0 || !locks.open(QIODevice::ReadOnly))
        return owners;
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] != "FLOCK")   // waiters read "1: -> FLOCK ..."
            continue;
        const QList<QByteArray> id = fields[5].split(':');
        bool ok = id.size() == 3;
        const bool same = ok && id[0].toUInt(&ok, 16) == major(st.st_dev) && id[1].toUInt(&ok, 16) == minor(st.st_dev)
                          && id[2].toULongLong(&ok) == st.st_ino;
        if (same)
            owners.push_back(fields[4].toLongLong());
    }
    return owners;
}

QString explainBusy(const QString &path)
{
    std::vector<DeviceHolder> holders = processesHolding(path);
    // Of those that have it open, the one holding the lock is the one in the way.
    const std::vector<qint64> owners = lockOwners(path);
    if (!owners.empty()) {
        std::vector<DeviceHolder> lockers;
        for (const DeviceHolder &h : holders)
            if (std::find(owners.begin(), owners.end(), h.pid) != owners.end())
                lockers.push_back(h);
        if (!lockers.empty())
            holders = lockers;
    }
    const auto self = std::find_if(holders.begin(), holders.end(),
                                   [](const DeviceHolder &h) { return h.pid == qint64(getpid()); });
    const bool heldHere = self != holders.end();
    if (heldHere)
        holders.erase(self);
    if (holders.empty())
        return heldHere ? QStringLiteral("%1 is already open in this program.").arg(path)
                        : QStringLiteral("%1 is in use by another program. Close it, then try again.").arg(path);
    QStringList lines;
    bool modemManager = false;
    for (const DeviceHolder &holder : holders) {
        lines << QStringLiteral("%1 is in use by process %2 (%3).")
                     .arg(path, QString::number(holder.pid), holder.commandLine);
        modemManager = modemManager || processName(holder) == QStringLiteral("ModemManager");
    }
    lines << QStringLiteral("Close that program, then try again.");
    if (modemManager)
        lines << QStringLiteral("ModemManager probes serial devices it takes for modems. To make it leave this "
                                "one alone, add a udev rule such as\n    %1ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n"
                                "to a file in /etc/udev/rules.d/, then run "
                                "sudo udevadm control --reload-rules and replug the adapter.")
                     .arg(usbMatch(path));
    return lines.join(QLatin1Char('\n'));
}

QString explainMissing(const QString &path)
{
    const QStringList present = serialDevicesPresent();
    if (present.isEmpty())
        return QStringLiteral("%1 does not exist, and no serial device is present.").arg(path);
    return QStringLiteral("%1 does not exist. Serial devices present: %2.").arg(path, present.join(QStringLiteral(", ")));
}

} // namespace

std::vector<DeviceHolder> processesHolding(const QString &devicePath)
{
    const QString target = canonical(devicePath);
    std::vector<DeviceHolder> holders;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pidText : pids) {
        bool numeric = false;
        const qint64 pid = pidText.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QString procDir = QStringLiteral("/proc/") + pidText;
        const QFileInfoList fds = QDir(procDir + QStringLiteral("/fd")).entryInfoList(QDir::System | QDir::NoDotAndDotDot);
        const bool holds = std::any_of(fds.begin(), fds.end(), [&](const QFileInfo &fd) {
            const QString link = fd.symLinkTarget();
            return link == target || link == devicePath;
        });
        if (holds)
            holders.push_back({pid, commandLineOf(procDir)});
    }
    return holders;
}

QStringList serialDevicesPresent()
{
    QStringList byId;
    const QDir byIdDir(QStringLiteral("/dev/serial/by-id"));
    for (const QString &name : byIdDir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        byId << byIdDir.filePath(name);

    QStringList nodes;
    const QDir dev(QStringLiteral("/dev"));
    const QStringList adapters{QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*"), QStringLiteral("ttyAMA*"),
                               QStringLiteral("rfcomm*")};
    for (const QString &name : dev.entryList(adapters, QDir::System | QDir::NoDotAndDotDot))
        nodes << dev.filePath(name);
    for (const QString &name : dev.entryList({QStringLiteral("ttyS*")}, QDir::System | QDir::NoDotAndDotDot))
        if (isUartPresent(dev.filePath(name)))
            nodes << dev.filePath(name);

    QCollator order;
    order.setNumericMode(true);
    std::sort(byId.begin(), byId.end(), order);
    std::sort(nodes.begin(), nodes.end(), order);
    return byId + nodes;
}

QString explainOpenFailure(const QString &devicePath)
{
    if (devicePath.isEmpty())
        return {};
    const QByteArray path = local(devicePath);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        switch (error) {
        case EACCES:
        case EPERM:
            return explainPermission(devicePath);
        case EBUSY:
            return explainBusy(devicePath);
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return explainMissing(devicePath);
        default:
            return QStringLiteral("%1 cannot be opened: %2.").arg(devicePath, QString::fromLocal8Bit(strerror(error)));
        }
    }
    // Opened now: busy when another descriptor holds the lock the port layer takes.
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked ? explainBusy(devicePath) : QString();
}
