#pragma once

#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QString>
#include <optional>

// The PC side of the serial line: deriving it from the module's serial settings,
// putting it back to its start value and the texts of the status row.

// The bit rate of a SerialBaudRate choice (index 0 and 12 are both 115200, 13 is
// 93750); nullopt for an index beyond the list.
std::optional<int> moduleBaudRate(int serialBaudIndex);

// PortSettings matching the module's serial rate and character format; the COM
// port stays that of current. A module setting the PC cannot follow keeps the
// current PC value.
PortSettings portSettingsFor(const ModuleSettings &module, PortSettings current);

// 9600 baud, 8 data bits, 1 stop bit, no parity; with resetPort also COM1.
void resetPortSettings(PortSettings &ps, bool resetPort);

// Status-row texts: "Com 1", "9600", "N-8-1". An index outside its table gives an
// empty text (or "?" inside the line format).
QString comPortText(const PortSettings &ps);
QString baudText(const PortSettings &ps);
QString lineFormatText(const PortSettings &ps);
