#pragma once

#include "ExitStatus.h"

#include "comm/LineSettings.h"
#include "operations/OperationEnding.h"
#include "settings/CommandBuilder.h"
#include "settings/SettingsComparison.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What one command did on one module: the report line and the JSON object.
struct ModuleReport {
    QString port;
    ExitStatus status = ExitStatus::Done;
    QString message;   // why it failed; empty when done
    QString identification;
    double firmware = 0;
    double seconds = 0;
    // The 40 configure commands: those sent (write) or those the module holds (read, verify, restore).
    std::optional<CommandList> commands;
    // Verify and write: `first` is what was meant, `second` what the module holds.
    bool compared = false;
    std::vector<SettingDifference> differences;
    // The command the module answered with an error (write), as sent.
    QByteArray refusedCommand;
    QStringList notices;
    QString savedTo;
    // Detect: the rate and format the module answered at.
    std::optional<LineSettings> foundAt;
    // Write and restore: what reached the module and how it was left.
    bool changed = false;
    ModuleChanges changes;
    // Write: the escape character the module answers to now, when it is no longer the one used.
    std::optional<QChar> escape;
    // Diff: the two sides compared (a file, or port:P).
    QString first;
    QString second;
};

// The version of the JSON object's shape; it grows when a key is added or changes.
inline constexpr int kReportSchemaVersion = 1;

// "done", "differences", "no response", ...
QString resultName(ExitStatus status);
// "S14", "&Z1", ... of a command as built; empty for none.
QString commandKey(const QByteArray &command);
// The window's caption of the setting a module key stands for.
QString settingLabel(const QString &key);

// The report line, followed by a line per difference.
QString reportText(const ModuleReport &report);
// One JSON object on one line, of one shape for every command and outcome: every
// key present, null when it has nothing to say.
QByteArray reportJson(const ModuleReport &report, const QString &command);
// The same shape for an outcome without a module: bad usage, a bad file.
QByteArray failureJson(const QString &command, ExitStatus status, const QString &message);
