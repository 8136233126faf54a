#pragma once

#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A configuration read into a settings record of its own, with the rules the window
// applies when it opens a file or reads a module, but without a window: nothing is
// asked, nothing shown, so many records can live side by side.
struct SettingsRecord {
    ModuleSettings settings;
    QStringList notices;  // what the window would have shown while applying it
};

// A ".40B" file's line (fromFile) or a module's "AT&V" listing. Throws Exception with
// the window's text when the text does not convert, when the listing is refused (Fast
// Operation on a 620-class product) or when it selects no operating mode.
SettingsRecord settingsRecordFromText(QByteArray text, bool fromFile, const ProductVariant &variant);

// The first line of a ".40B" file as a settings record. Throws FileError when the file
// cannot be read and Exception (its text naming the file) when it is not a configuration.
SettingsRecord readSettingsFile(const QString &path, const ProductVariant &variant);
