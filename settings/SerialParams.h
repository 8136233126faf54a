#pragma once

#include "comm/LineSettings.h"
#include "settings/ModuleSettings.h"

#include <optional>
#include <span>
#include <vector>

// The module's serial rates and the PC line that follows the module's serial settings.

// One item of the module's serial-rate choice ("ATC").
struct ModuleRate {
    int item;            // the number the module stores
    int bitsPerSecond;
    // Every PC can be set to it. 31250 and 76800 are beyond a Windows PC and 93750 has
    // no PC rate at all: the module moves to those only at the end of a configure.
    bool pcFollows;
};

// The module's serial rates in item order: 0 and 12 are both 115200, 13 is 93750.
std::span<const ModuleRate> moduleRates();
// The rate of an item; nullopt for an item beyond the list (kept from a listing).
std::optional<ModuleRate> moduleRate(int item);
// Each rate once, at its last place in the list (the leading 115200 goes): the rates
// the window offers, in the order it offers them.
std::vector<ModuleRate> distinctModuleRates();
// The item that stands for a rate in distinctModuleRates(); nullopt for a rate the
// module does not offer.
std::optional<int> moduleRateItem(int bitsPerSecond);

// `current` with the module's character format; a format choice the PC does not know
// keeps the current PC value. "Zero" parity sends no parity bit from the PC either.
LineSettings withModuleFormat(const ModuleSettings &module, LineSettings current);
// `current` with the module's serial rate and format; the port stays. A module rate
// outside the PC table (93750, an item beyond the list) keeps the current PC rate.
LineSettings pcLineFor(const ModuleSettings &module, LineSettings current);
