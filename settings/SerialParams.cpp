#include "settings/SerialParams.h"

#include "comm/LineSettings.h"

#include <array>

namespace {
constexpr std::array<int, 14> kModuleBaudRates = {115200, 1200,  2400,  4800,  9600,  14400,  19200,
                                                  28800,  31250, 38400, 57600, 76800, 115200, 93750};
constexpr int kPcBaudCount = int(kBaudRates.size());
}  // namespace

std::optional<int> moduleBaudRate(int serialBaudIndex) {
    if (serialBaudIndex < 0 || serialBaudIndex >= static_cast<int>(kModuleBaudRates.size()))
        return std::nullopt;
    return kModuleBaudRates[static_cast<std::size_t>(serialBaudIndex)];
}

PortSettings portSettingsFor(const ModuleSettings &module, PortSettings current) {
    PortSettings ps = current;

    switch (module[Field::SerialParity]) {
    case 0:  // None
    case 1:  // Zero: the PC sends no parity bit either
        ps.parity = 0;
        break;
    case 2: ps.parity = 1; break;
    case 3: ps.parity = 2; break;
    default: break;  // unknown choice from a listing: keep the PC parity
    }

    // The module list starts with an extra "115200" and ends with "93750"; the
    // entries in between are the PC table shifted by one.
    const int baud = module[Field::SerialBaudRate];
    if (baud == 0)
        ps.baudIndex = kPcBaudCount - 1;
    else if (baud >= 1 && baud <= kPcBaudCount)
        ps.baudIndex = static_cast<std::uint8_t>(baud - 1);
    // 93750 (13) has no PC rate: the PC baud stays as it was, as it does for an
    // index beyond the list.

    if (module[Field::SerialDataBits] == 0 || module[Field::SerialDataBits] == 1)
        ps.dataBits = static_cast<std::uint8_t>(module[Field::SerialDataBits]);
    if (module[Field::SerialStopBits] == 0 || module[Field::SerialStopBits] == 1)
        ps.stopBits = static_cast<std::uint8_t>(module[Field::SerialStopBits]);
    return ps;
}

void resetPortSettings(PortSettings &ps, bool resetPort) {
    ps.baudIndex = 3;
    ps.dataBits = 1;
    ps.stopBits = 0;
    ps.parity = 0;
    if (resetPort)
        ps.comPort = 0;
}

QString comPortText(const PortSettings &ps) {
    return ps.comPort < 8 ? QStringLiteral("COM%1").arg(ps.comPort + 1) : QString();
}

QString baudText(const PortSettings &ps) {
    return ps.baudIndex < kPcBaudCount ? QString::number(kBaudRates[ps.baudIndex]) : QString();
}

QString lineFormatText(const PortSettings &ps) {
    static const char *const kParity[] = {"N", "O", "E"};
    static const char *const kData[] = {"7", "8"};
    static const char *const kStop[] = {"1", "2"};
    const auto pick = [](const char *const *table, int size, int index) {
        return QString::fromLatin1(index < size ? table[index] : "?");
    };
    return pick(kParity, 3, ps.parity) + u'-' + pick(kData, 2, ps.dataBits) + u'-' + pick(kStop, 2, ps.stopBits);
}
