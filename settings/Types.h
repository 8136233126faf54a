#pragma once

#include <QString>
#include <cstdint>

// Operating mode of a module; 1 and 2 are the transparent modes, above 2 the controlled ones.
enum class OperatingMode : std::uint8_t {
    None = 0,
    Transparent = 1,
    TransparentRepeater = 2,
    AutoConnectMaster = 3,
    AutoConnectSlave = 4,
    SingleConnect = 5,
};

inline bool isControlledMode(OperatingMode m) { return static_cast<int>(m) > 2; }
inline bool isTransparentMode(OperatingMode m) { return m == OperatingMode::Transparent || m == OperatingMode::TransparentRepeater; }

enum class Brand { Korvel = 0, Brisca = 1, Tolvane = 2 };
enum class RadioClass { Class740, Class620 };

// Chosen once at start-up from the executable's file name; read-only afterwards.
struct ProductVariant {
    Brand brand = Brand::Korvel;
    RadioClass radioClass = RadioClass::Class620;
    QString baseCaption;
    QString modelName;
};

enum class OperationKind : std::uint8_t { Configure = 0, Read = 1, RestoreDefaults = 2 };
