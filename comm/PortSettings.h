#pragma once

#include <cstdint>

// PC-side serial settings, one program-wide instance held by the main window.
struct PortSettings {
    std::uint8_t comPort = 0;    // 0..7 = COM1..COM8
    std::uint8_t baudIndex = 3;  // 0..11 = 1200 .. 115200, see kBaudRates
    std::uint8_t dataBits = 1;   // 0 seven, 1 eight
    std::uint8_t stopBits = 0;   // 0 one, 1 two
    std::uint8_t parity = 0;     // 0 none, 1 odd, 2 even
    bool operator==(const PortSettings &) const = default;
};

