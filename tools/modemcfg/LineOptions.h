#pragma once

#include "comm/LineSettings.h"
#include "comm/ReplyRule.h"

#include <QString>

#include <optional>

// The PC side's line from the console options: `port` is "COM1".."COM8" (bound as in
// the window, CFG_COMn included), a device path or a network port (rfc2217://host:port,
// tcp://host:port, see PortAddress); `baud` one of the rates of the
// table; `format` one of "N-8-1", "E-7-1", "O-7-1", "E-7-2", "O-7-2". On bad input
// gives nothing and sets `error` to a message naming the option.
std::optional<LineSettings> lineSettingsFromOptions(const QString &port, const QString &baud, const QString &format,
                                                    QString *error);
// The formats the module offers, in the order above.
QStringList lineFormatNames();
// How replies end, from --pace: "final" (at the final result code, the default when
// empty) or "legacy" (after a read interval of silence). On bad input gives nothing
// and sets `error`.
std::optional<ReplyPace> paceFromOption(const QString &pace, QString *error);
