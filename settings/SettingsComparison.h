#pragma once

#include "settings/ModuleSettings.h"
#include "settings/ProductVariant.h"
#include "settings/Types.h"

#include <QString>

#include <vector>

struct ParsedListing;

// One module setting that two settings records configure differently.
struct SettingDifference {
    QString label;  // the setting's caption in the window ("Packet Size (bytes)", ...)
    QString key;    // the module's key ("S14", "&B", "&Z1", ...)
    QString first;  // the value of the first record, in the units the window shows
    QString second;

    bool operator==(const SettingDifference &) const = default;
};

// Compares two records in module terms: each configure command is built from both,
// and only commands that differ count, so values the module stores alike (S1, S10 and
// S14 are kept in coarser units) are equal. Differences come in command order.
std::vector<SettingDifference> compareSettings(const ModuleSettings &first, const ModuleSettings &second,
                                               RadioClass radioClass);

// The caption the window shows for a field.
QString fieldLabel(Field f);
// A field's value in the units the window shows ("On", "19200", a choice's text).
QString fieldValueText(Field f, int value, RadioClass radioClass);

// The settings a parsed listing gives when applied onto the defaults, with the
// model's rules, in a record of its own (nothing of the window changes, nothing is asked).
ModuleSettings settingsFromListing(const ParsedListing &parsed, const ProductVariant &variant);
