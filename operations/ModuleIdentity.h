#pragma once

#include "settings/Types.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What a module's "ATI" reply says of it, and what that means for the settings.

// The identification line of an "ATI" reply: from the character before the first
// "40R-B" up to the first CR LF after it; empty without such a pair.
QString identificationLine(const QByteArray &reply);
// The version number after the first "V" (digits and "."); 0 for the 620 class or
// when none can be taken.
double firmwareVersion(const QString &identification, RadioClass radioClass);
// The firmware version as the module writes it ("1.90" of "740R-B V1.90"): the digits
// and point after the first "V" that has them; empty when there is none.
QString firmwareText(const QString &identification);
// The S21 warning when the firmware is 1.89 or older, the radio signature the user
// had is above 0 and the product is of the 740 class.
std::optional<QString> radioSignatureWarning(const QString &identification, int priorS21, RadioClass radioClass);

extern const QString kS21WarningText;
// The read's failures, for a module of the given model name.
QString badReplyText(const QString &modelName);
QString noCtsText(const QString &modelName);
