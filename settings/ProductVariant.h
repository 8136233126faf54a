#pragma once

#include "settings/Types.h"

#include <QString>
#include <optional>

// The product a running copy serves is chosen from the executable's file name.

// Shown when no product token is found in the file name; the program ends after it.
extern const QString kFilenameErrorText;

// Picks the variant from a bare file name (extension included). The tests are
// case-sensitive substring tests, first match wins; no match gives nullopt.
std::optional<ProductVariant> selectProductVariant(const QString &fileName);

// The last component of the executable's path. Both "/" and "\\" separate
// components, so a Windows-style path works too; a path without one is used whole.
QString executableFileName(const QString &argv0);

// Name of the icon resource used as the application icon.
QString applicationIconName(Brand brand);
// Whether the main window keeps its own built-in icon (otherwise it is cleared and
// the window shows the application icon).
bool keepsWindowIcon(Brand brand);

// S21 with its labels, and the caption of the fourth S-register tab.
bool showsS21(RadioClass radioClass);
QString s18TabCaption(RadioClass radioClass);
// Fast Operation exists for the 740 class only.
bool hasFastOperation(RadioClass radioClass);
