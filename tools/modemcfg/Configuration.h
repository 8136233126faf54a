#pragma once

#include "settings/CommandBuilder.h"
#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QString>
#include <QStringList>

#include <optional>

// The product names --product takes: the names the window's program is installed
// under, each holding the token that selects its product.
QStringList productNames();
// The product a --product name selects, as the window's file name does; nothing
// for a name without a product token.
std::optional<ProductVariant> productNamed(const QString &name);

// A configuration as the window holds it after File > Open.
struct Configuration {
    ModuleSettings settings;
    CommandList commands;
    QStringList notices;   // what the window would have shown while loading
};

// Reads a ".40B" file ("-": standard input). Strict: a token that is malformed, an
// unknown or repeated key, a value out of range or one the reading would change
// fails, each named with its position. Lenient: read as File > Open does, with a
// notice per value changed or ignored. On failure gives nothing and sets `error` to
// a message naming the file.
std::optional<Configuration> loadConfiguration(const QString &path, const ProductVariant &variant, QString *error,
                                               bool lenient = false);

// The configuration a module's listing gives, as a read leaves it in the window.
Configuration configurationFrom(const ModuleSettings &settings);

// Writes the bytes File > Save writes for these settings ("-": to standard output).
// Gives an empty string on success, else the message.
QString saveConfiguration(const Configuration &configuration, const QString &path);
