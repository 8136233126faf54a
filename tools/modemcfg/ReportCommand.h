#pragma once

#include "ExitStatus.h"

#include <QStringList>

class QTextStream;
struct ReportInput;

// report: the commissioning report of the modules in the journal, as one HTML file.
ExitStatus runReportCommand(const QStringList &arguments, QTextStream &out, QTextStream &err);

// Writes the report of `input` to `path` whole or not at all ("-" for `out`); the
// message for a failure, else empty.
QString writeReport(const ReportInput &input, const QString &path, QTextStream &out);
