#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Why a serial device would not open, and what the user can do about it. Probes the
// device anew after the failed open: the port layer reports only success or failure.

// A process that has a device open.
struct DeviceHolder {
    qint64 pid = 0;
    QString commandLine;   // arguments joined by spaces; the process name when empty
};

// Processes with an open descriptor on `devicePath` (symlinks resolved), found
// through /proc/*/fd. Processes this user may not inspect are not seen.
std::vector<DeviceHolder> processesHolding(const QString &devicePath);

// Serial devices present: /dev/serial/by-id names, USB and ACM adapters, on-board
// UARTs that answer as such. Sorted; by-id names first.
QStringList serialDevicesPresent();

// One or more sentences that name `devicePath`, the cause and the fix; empty when the
// device now opens without trouble or the path is empty.
QString explainOpenFailure(const QString &devicePath);
