#pragma once

#include "settings/CommandBuilder.h"
#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// The product a journal record names by its caption; nothing for an unknown one.
std::optional<ProductVariant> productVariantOf(const QString &caption);

// The .40B line of a configuration, byte for byte as File > Save writes it (without
// the line end).
QByteArray fileLineOf(const CommandList &commands);

// The settings a recorded .40B line gives for the product; nothing when the line does
// not convert.
std::optional<ModuleSettings> settingsOfLine(const QByteArray &fileLine, const QString &product);

// The settings that matter for a network, each as caption and value: mode, addresses,
// routes, radio rate, CRC and the serial settings.
QList<QPair<QString, QString>> networkSettings(const ModuleSettings &settings, RadioClass radioClass);

