#include "ui/OperationOutcome.h"

namespace {

QString duration(double seconds) { return QStringLiteral("(%1 s)").arg(seconds, 0, 'f', 1); }

// What a command that stopped part-way leaves in the module.
QString moduleState(const QString &command)
{
    if (command == QLatin1String("Configure"))
        return QStringLiteral("The module may hold part of the new settings; configure it again.");
    if (command == QLatin1String("Restore Factory Defaults"))
        return QStringLiteral("The module may not have been restored; restore it again.");
    return QStringLiteral("The module's settings were not changed.");
}

}  // namespace

namespace OperationOutcome {

QString moduleName(const QString &identification, const QString &modelName)
{
    const QString trimmed = identification.trimmed();
    return trimmed.isEmpty() ? modelName : trimmed;
}

QString settingsDiffer(int count)
{
    return count == 1 ? QStringLiteral("1 setting differs") : QStringLiteral("%1 settings differ").arg(count);
}

QString configured(const QString &module, const QString &port, std::optional<int> differences, double seconds)
{
    QString check = QStringLiteral("not verified");
    if (differences)
        check = *differences == 0 ? QStringLiteral("verified, no differences")
                                  : QStringLiteral("verified, ") + settingsDiffer(*differences);
    return QStringLiteral("Configured %1 on %2: %3 %4").arg(module, port, check, duration(seconds));
}

QString restored(const QString &module, const QString &port, double seconds)
{
    return QStringLiteral("Restored the factory defaults of %1 on %2 %3").arg(module, port, duration(seconds));
}

QString read(const QString &module, const QString &port, double seconds)
{
    return QStringLiteral("Read %1 on %2 %3").arg(module, port, duration(seconds));
}

QString failed(const QString &command, const QString &port, const QString &error, bool cancelled)
{
    const QString what = cancelled ? QStringLiteral("%1 on %2 was cancelled.").arg(command, port)
                                   : QStringLiteral("%1 on %2 failed").arg(command, port) +
                                         (error.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + error);
    // One line for the status row: the error's own line breaks become spaces.
    QString line = what + QLatin1Char(' ') + moduleState(command);
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.simplified();
}

}  // namespace OperationOutcome
