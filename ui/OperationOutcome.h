#pragma once

#include <QString>

#include <optional>

// The line a module command leaves in the status row and the log, so that every
// write ends with something on the screen, e.g.
// "Configured 740R-B V1.90 on COM1: verified, no differences (4.1 s)".
namespace OperationOutcome {

// The module as the operation named it, or the running product's model when it
// gave no identification.
QString moduleName(const QString &identification, const QString &modelName);

// differences: what a read-back found (nullopt: not verified).
QString configured(const QString &module, const QString &port, std::optional<int> differences, double seconds);
QString restored(const QString &module, const QString &port, double seconds);
QString read(const QString &module, const QString &port, double seconds);

// A command that did not finish: what was refused or went wrong and the state the
// module is left in. command: "Configure", "Read", "Restore Factory Defaults".
QString failed(const QString &command, const QString &port, const QString &error, bool cancelled);

// "1 setting differs", "2 settings differ".
QString settingsDiffer(int count);

}  // namespace OperationOutcome
