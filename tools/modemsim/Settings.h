// The simulated module's configuration, in the module's own units.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace modemsim {

// Serial rate of an "ATC" index (0..13); 0 for an index outside the table.
unsigned serialRate(int baudIndex);

// One numeric setting: its listing key ("B", "&K", "\T", "S14:"), the command letters that
// set it ("B", "&K", "\T", "S14=") and the values the module accepts.
struct SettingInfo
{
    const char *key;
    const char *command;
    int min;
    int max;
    bool writable; // S9, S12, S13 are reports of the module, not settings
};

enum class Setting {
    B, C, E, Q, V, X, AmpB, AmpC, AmpD, AmpE, AmpG, AmpK, AmpL, AmpM, AmpN, AmpS, AmpU, BackslashT,
    S0, S1, S2, S3, S4, S5, S6, S7, S8, S9, S10, S11, S12, S13, S14, S16, S17, S18, S19, S20, S21,
    Count
};

constexpr std::size_t kSettingCount = static_cast<std::size_t>(Setting::Count);
const SettingInfo &settingInfo(Setting s);
std::optional<Setting> settingByCommand(const std::string &command); // "&K", "S14=" ...
bool acceptsValue(Setting s, int value);

struct Settings
{
    std::array<int, kSettingCount> values{};
    std::array<std::string, 4> routes; // "&Z0=" .. "&Z3=": "r1,r2,...,dest" or empty

    static Settings factory();

    int get(Setting s) const { return values[static_cast<std::size_t>(s)]; }
    void set(Setting s, int v) { values[static_cast<std::size_t>(s)] = v; }

    unsigned rate() const { return serialRate(get(Setting::C)); }
    bool twoStopBits() const { return (get(Setting::AmpB) & 1) != 0; }
    char escapeChar() const { return static_cast<char>(get(Setting::S2)); }
    int guardMs() const { return get(Setting::S1) * 20; }

    // The "AT&V" listing body: every key followed by its value and a space, over a few
    // lines, each ended by "\r\n". Keys named in `omit` ("S18:" or "S18") are left out.
    std::string listing(const std::set<std::string> &omit) const;

    // Stored-profile file: one "KEY=VALUE" line per setting.
    std::string serialize() const;
    // Applies the lines of `text` over *this; returns the first bad line, if any.
    std::optional<std::string> deserialize(const std::string &text);
};

// A route value of "AT&Zn=": up to six comma-separated numbers 0..255, no empty items.
bool validRoute(const std::string &route);

} // namespace modemsim
