#include "diagnostics/TestReport.h"

namespace TestReport {

bool isBerLine(const QByteArray &line) { return line.contains(" x "); }

bool isLevelLine(const QByteArray &line) { return line.contains("dBm"); }

BerValues berValues(const QByteArray &line)
{
    BerValues values;
    const qsizetype n = line.size();
    qsizetype pos = 0;
    int taken = 0;
    while (taken < kBerFieldCount && pos < n - 1) {
        while (pos < n && line[pos] == ' ')
            ++pos;
        if (pos >= n)
            break;  // trailing spaces hold no field
        const qsizetype start = pos;
        while (pos < n && line[pos] != ' ' && line[pos] != '\r')
            ++pos;
        values[static_cast<std::size_t>(taken++)] = QString::fromLatin1(line.mid(start, pos - start));
    }
    if (taken == kBerFieldCount)
        values.back() += QStringLiteral(" kbit");
    return values;
}

} // namespace TestReport
