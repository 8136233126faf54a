#pragma once

#include <QPixmap>
#include <QSize>

// The about box's three brand logos, drawn at run time (no image files to ship).
// Each needs a QGuiApplication.
QPixmap korvelEggLogo();   // the maker's egg, 64 x 72
QPixmap briscaLogo();      // 77 x 69
QPixmap tolvaneLogo();     // native 96 x 96; the about box scales it into 53 x 61

inline constexpr QSize kKorvelEggLogoSize{64, 72};
inline constexpr QSize kBriscaLogoSize{77, 69};
inline constexpr QSize kTolvaneLogoSize{96, 96};
