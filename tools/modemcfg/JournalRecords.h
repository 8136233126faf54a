#pragma once

#include "ExitStatus.h"

#include <QString>

#include <vector>

class QTextStream;
class Recording;
struct ModuleReport;
struct ProductVariant;

// Keeps a record of each module's share of a command in the journal. A record that
// cannot be kept costs the command nothing: a line on `err` says so.
void recordReports(const QString &operation, const std::vector<ModuleReport> &reports,
                   const ProductVariant &variant, const QString &file, QTextStream &err);

// The same for an rssi or ber run; `recording` is null for the transmit test.
void recordDiagnosticsRun(int testKind, const QString &port, const Recording *recording, ExitStatus status,
                          double seconds, QTextStream &err);
