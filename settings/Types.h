#pragma once

#include "comm/PortSettings.h"

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
