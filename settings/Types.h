#pragma once

#include <QString>
#include <cstdint>

// Operating mode of a module; 1 and 2 are the transparent modes, above 2 the controlled ones.
enum class OperatingMode : std::uint8_t {
    OpNone = 0,
    OpTransparent = 1,
    OpTransparentRepeater = 2,
    OpAutoConnectMaster = 3,
    OpAutoConnectSlave = 4,
    OpSingleConnect = 5,
};

inline bool isControlledMode(OperatingMode m) { return static_cast<int>(m) > 2; }
inline bool isTransparentMode(OperatingMode m) { return m == OperatingMode::OpTransparent || m == OperatingMode::OpTransparentRepeater; }

// PC-side serial settings, one program-wide instance held by the main window.
struct PortSettings {
    std::uint8_t ComPort = 0;   // 0..7 = COM1..COM8
    std::uint8_t Baud = 3;      // 0..11 = 1200 .. 115200, see kPcBaudRates
    std::uint8_t DataBits = 1;  // 0 seven, 1 eight
    std::uint8_t StopBits = 0;  // 0 one, 1 two
    std::uint8_t Parity = 0;    // 0 none, 1 odd, 2 even
    bool operator==(const PortSettings &) const = default;
};

inline constexpr int kPcBaudRates[12] = {1200, 2400, 4800, 9600, 14400, 19200,
                                         28800, 31250, 38400, 57600, 76800, 115200};

enum class Brand { BrandKorvel = 0, BrandBrisca = 1, BrandTolvane = 2 };
enum class RadioClass { Class740, Class620 };

// Chosen once at start-up from the executable's file name; read-only afterwards.
struct ProductVariant {
    Brand brand = Brand::BrandKorvel;
    RadioClass radioClass = RadioClass::Class620;
    QString BaseCaption;
    QString ModelName;
};

enum class OperationKind : std::uint8_t { KindConfigure = 0, KindRead = 1, KindRestoreDefaults = 2 };
