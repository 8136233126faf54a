// The profile the module powers up with: the --state file, then --rate and --format.
#pragma once

#include "Options.h"
#include "Settings.h"

namespace modemsim {

// Factory settings until the first "AT&W" wrote a state file. Throws
// std::runtime_error for a state file with a bad line.
Settings powerUpProfile(const Options &options);

} // namespace modemsim
