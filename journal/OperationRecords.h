#pragma once

#include "settings/CommandBuilder.h"
#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QString>

#include <optional>

struct OperationResult;
class Recording;

// The records of the window's operations, one call each where an operation ends. Each
// gives nothing when the record was kept, else the notice for the user; none throws.

// "write", "read" or "restore".
QString journalOperation(OperationKind kind);
// "ber tx", "ber rx", "ber txrx" or "rssi" for the test kinds 0..3.
QString diagnosticsOperation(int testKind);

class JournalRecorder;

// Keeps the record of a configure, read or restore begun when `record` was made;
// `sent` is the configure's command list (what the module holds once it stored it).
std::optional<QString> keepOperation(JournalRecorder &record, OperationKind kind, const CommandList &sent,
                                     const OperationResult &result);
// A read back compared with what was meant.
std::optional<QString> recordVerify(const ProductVariant &variant, const QString &port, const ModuleSettings &expected,
                                    const ModuleSettings &held);
// A receive test's or the RSSI measurement's last run; nothing is recorded for a
// dialog that never started one.
std::optional<QString> recordReceiveRun(int testKind, const QString &port, const Recording &recording);
// A receive test that could not begin.
std::optional<QString> recordReceiveFailure(int testKind, const QString &port, const QString &failure);
// The transmit test, ended with `failure` if it failed.
std::optional<QString> recordTransmitRun(const QString &port, const std::optional<QString> &failure);
