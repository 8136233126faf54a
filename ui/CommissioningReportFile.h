#pragma once

#include <QString>

struct ReportInput;

// Writes the commissioning report to `path` whole or not at all: a PDF page set when
// the name ends in ".pdf", else the HTML page. Gives the message for a failure, else
// an empty string.
QString saveCommissioningReport(const ReportInput &input, const QString &path);
