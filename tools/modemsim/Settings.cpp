#include "Settings.h"

#include <sstream>

namespace modemsim {

namespace {

// Order here is the listing order; the index is the Setting value.
const SettingInfo kInfo[kSettingCount] = {
    {"B", "B", 0, 2, true},
    {"C", "C", 0, 13, true},
    {"E", "E", 0, 1, true},
    {"Q", "Q", 0, 1, true},
    {"V", "V", 0, 1, true},
    {"X", "X", 0, 3, true},
    {"&B", "&B", 0, 15, true},
    {"&C", "&C", 0, 2, true},
    {"&D", "&D", 0, 3, true},
    {"&E", "&E", 0, 1, true},
    {"&G", "&G", 0, 255, true},
    {"&K", "&K", 0, 5, true},
    {"&L", "&L", 0, 3, true},
    {"&M", "&M", 0, 3, true},
    {"&N", "&N", 0, 1, true},
    {"&S", "&S", 0, 255, true},
    {"&U", "&U", 0, 255, true},
    {"\\T", "\\T", 0, 255, true},
    {"S0:", "S0=", 0, 255, true},
    {"S1:", "S1=", 3, 255, true}, // 20 ms units: 60 .. 5100 ms
    {"S2:", "S2=", 0, 255, true},
    {"S3:", "S3=", 0, 127, true},
    {"S4:", "S4=", 0, 127, true},
    {"S5:", "S5=", 0, 127, true},
    {"S6:", "S6=", 0, 255, true},
    {"S7:", "S7=", 0, 255, true},
    {"S8:", "S8=", 0, 255, true},
    {"S9:", "S9=", 0, 255, false},
    {"S10:", "S10=", 0, 255, true}, // 10 ms units
    {"S11:", "S11=", 0, 255, true},
    {"S12:", "S12=", 0, 255, false},
    {"S13:", "S13=", 0, 10, false},
    {"S14:", "S14=", 0, 255, true}, // packet size (value + 10) x 2 bytes
    {"S16:", "S16=", 0, 255, true},
    {"S17:", "S17=", 0, 255, true},
    {"S18:", "S18=", 0, 255, true},
    {"S19:", "S19=", 0, 255, true},
    {"S20:", "S20=", 0, 255, true},
    {"S21:", "S21=", 0, 3, true},
};

const unsigned kRates[14] = {115200, 1200, 2400, 4800, 9600, 14400, 19200,
                             28800, 31250, 38400, 57600, 76800, 115200, 93750};

std::string stripKey(const std::string &key)
{
    if (!key.empty() && (key.back() == ':' || key.back() == '='))
        return key.substr(0, key.size() - 1);
    return key;
}

} // namespace

unsigned serialRate(int baudIndex)
{
    return baudIndex >= 0 && baudIndex < 14 ? kRates[baudIndex] : 0;
}

const SettingInfo &settingInfo(Setting s)
{
    return kInfo[static_cast<std::size_t>(s)];
}

std::optional<Setting> settingByCommand(const std::string &command)
{
    for (std::size_t i = 0; i < kSettingCount; ++i) {
        if (command == kInfo[i].command)
            return static_cast<Setting>(i);
    }
    return std::nullopt;
}

bool acceptsValue(Setting s, int value)
{
    const SettingInfo &info = settingInfo(s);
    return value >= info.min && value <= info.max;
}

Settings Settings::factory()
{
    Settings f;
    const std::pair<Setting, int> defaults[] = {
        {Setting::B, 0},     {Setting::C, 4},     {Setting::E, 1},     {Setting::Q, 0},
        {Setting::V, 1},     {Setting::X, 0},     {Setting::AmpB, 2},  {Setting::AmpC, 1},
        {Setting::AmpD, 0},  {Setting::AmpE, 0},  {Setting::AmpG, 1},  {Setting::AmpK, 4},
        {Setting::AmpL, 1},  {Setting::AmpM, 0},  {Setting::AmpN, 1},  {Setting::AmpS, 0},
        {Setting::AmpU, 1},  {Setting::BackslashT, 0},
        {Setting::S0, 1},    {Setting::S1, 50},   {Setting::S2, 43},   {Setting::S3, 13},
        {Setting::S4, 10},   {Setting::S5, 8},    {Setting::S6, 0},    {Setting::S7, 5},
        {Setting::S8, 0},    {Setting::S9, 0},    {Setting::S10, 1},   {Setting::S11, 0},
        {Setting::S12, 0},   {Setting::S13, 0},   {Setting::S14, 255}, {Setting::S16, 0},
        {Setting::S17, 0},   {Setting::S18, 120}, {Setting::S19, 5},   {Setting::S20, 100},
        {Setting::S21, 1},
    };
    for (const auto &[s, v] : defaults)
        f.set(s, v);
    f.routes = {"2", "", "", ""};
    return f;
}

std::string Settings::listing(const std::set<std::string> &omit) const
{
    auto omitted = [&](const std::string &key) {
        return omit.count(key) != 0 || omit.count(stripKey(key)) != 0;
    };
    std::ostringstream out;
    auto line = [&](Setting from, Setting to) {
        for (auto i = static_cast<std::size_t>(from); i <= static_cast<std::size_t>(to); ++i) {
            if (!omitted(kInfo[i].key))
                out << kInfo[i].key << values[i] << ' ';
        }
        out << "\r\n";
    };
    line(Setting::B, Setting::BackslashT);
    line(Setting::S0, Setting::S10);
    line(Setting::S11, Setting::S21);
    for (int n = 0; n < 4; ++n) {
        std::string key = "&Z" + std::to_string(n) + "=";
        if (!omitted(key))
            out << key << routes[static_cast<std::size_t>(n)] << ' ';
    }
    out << "\r\n";
    return out.str();
}

std::string Settings::serialize() const
{
    std::ostringstream out;
    for (std::size_t i = 0; i < kSettingCount; ++i) {
        if (kInfo[i].writable)
            out << stripKey(kInfo[i].key) << '=' << values[i] << '\n';
    }
    for (int n = 0; n < 4; ++n)
        out << "&Z" << n << '=' << routes[static_cast<std::size_t>(n)] << '\n';
    return out.str();
}

std::optional<std::string> Settings::deserialize(const std::string &text)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        auto eq = line.find('=');
        if (eq == std::string::npos)
            return line;
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (key.size() == 3 && key.compare(0, 2, "&Z") == 0 && key[2] >= '0' && key[2] <= '3') {
            if (!value.empty() && !validRoute(value))
                return line;
            routes[static_cast<std::size_t>(key[2] - '0')] = value;
            continue;
        }
        std::optional<Setting> s = settingByCommand(key);
        if (!s && key.size() > 1 && key[0] == 'S')
            s = settingByCommand(key + "=");
        if (!s || !settingInfo(*s).writable)
            return line;
        try {
            std::size_t used = 0;
            int v = std::stoi(value, &used);
            if (used != value.size() || !acceptsValue(*s, v))
                return line;
            set(*s, v);
        } catch (const std::exception &) {
            return line;
        }
    }
    return std::nullopt;
}

bool validRoute(const std::string &route)
{
    if (route.empty())
        return true;
    int items = 0;
    std::size_t pos = 0;
    for (;;) {
        std::size_t comma = route.find(',', pos);
        std::string item = route.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (item.empty() || item.size() > 3)
            return false;
        for (char c : item) {
            if (c < '0' || c > '9')
                return false;
        }
        if (std::stoi(item) > 255 || ++items > 6)
            return false;
        if (comma == std::string::npos)
            return true;
        pos = comma + 1;
    }
}

} // namespace modemsim
