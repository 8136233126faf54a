#include "settings/SerialParams.h"

#include <algorithm>
#include <array>

namespace {
constexpr std::array<ModuleRate, 14> kModuleRates = {{
    {0, 115200, true}, {1, 1200, true},   {2, 2400, true},    {3, 4800, true},    {4, 9600, true},
    {5, 14400, true},  {6, 19200, true},  {7, 28800, true},   {8, 31250, false},  {9, 38400, true},
    {10, 57600, true}, {11, 76800, false}, {12, 115200, true}, {13, 93750, false},
}};
}  // namespace

std::span<const ModuleRate> moduleRates() { return kModuleRates; }

std::optional<ModuleRate> moduleRate(int item) {
    if (item < 0 || item >= static_cast<int>(kModuleRates.size()))
        return std::nullopt;
    return kModuleRates[static_cast<std::size_t>(item)];
}

std::vector<ModuleRate> distinctModuleRates() {
    std::vector<ModuleRate> rates;
    for (auto at = kModuleRates.begin(); at != kModuleRates.end(); ++at) {
        const auto sameRate = [at](const ModuleRate &r) { return r.bitsPerSecond == at->bitsPerSecond; };
        if (std::none_of(at + 1, kModuleRates.end(), sameRate))
            rates.push_back(*at);
    }
    return rates;
}

std::optional<int> moduleRateItem(int bitsPerSecond) {
    for (const ModuleRate &r : distinctModuleRates())
        if (r.bitsPerSecond == bitsPerSecond)
            return r.item;
    return std::nullopt;
}

LineSettings withModuleFormat(const ModuleSettings &module, LineSettings current) {
    switch (module[Field::SerialParity]) {
    case 0:  // None
    case 1:  // Zero
        current.parity = Parity::None;
        break;
    case 2: current.parity = Parity::Odd; break;
    case 3: current.parity = Parity::Even; break;
    default: break;
    }
    switch (module[Field::SerialDataBits]) {
    case 0: current.dataBits = 7; break;
    case 1: current.dataBits = 8; break;
    default: break;
    }
    switch (module[Field::SerialStopBits]) {
    case 0: current.stopBits = 1; break;
    case 1: current.stopBits = 2; break;
    default: break;
    }
    return current;
}

LineSettings pcLineFor(const ModuleSettings &module, LineSettings current) {
    LineSettings line = withModuleFormat(module, std::move(current));
    if (const std::optional<ModuleRate> rate = moduleRate(module[Field::SerialBaudRate]);
        rate && baudRateIndex(rate->bitsPerSecond) >= 0)
        line.baudRate = rate->bitsPerSecond;
    return line;
}
