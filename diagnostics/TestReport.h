#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// The module's report lines during the receive tests. The program computes nothing
// from them: it shows the module's own text.
namespace TestReport {

inline constexpr int kBerFieldCount = 7;
using BerValues = std::array<QString, kBerFieldCount>;

// A bit-error-rate report line carries " x " (space, x, space).
bool isBerLine(const QByteArray &line);
// A signal-level report line carries "dBm".
bool isLevelLine(const QByteArray &line);

// The first seven space-separated fields of a BER report line; the seventh gets
// " kbit" appended. Fields the line does not have are empty.
BerValues berValues(const QByteArray &line);

} // namespace TestReport
