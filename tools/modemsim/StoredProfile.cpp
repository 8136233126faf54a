#include "StoredProfile.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace modemsim {

Settings powerUpProfile(const Options &options)
{
    Settings s = Settings::factory();
    if (!options.stateFile.empty()) {
        std::ifstream in(options.stateFile);
        if (in) {
            std::stringstream text;
            text << in.rdbuf();
            if (auto bad = s.deserialize(text.str()))
                throw std::runtime_error(options.stateFile + ": bad line: " + *bad);
        }
    }
    if (options.rateIndex)
        s.set(Setting::C, *options.rateIndex);
    if (options.formatCode)
        s.set(Setting::AmpB, *options.formatCode);
    return s;
}

} // namespace modemsim
