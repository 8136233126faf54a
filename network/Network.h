#pragma once

#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One radio of a network: a configuration with the name the network knows it by.
struct NetworkMember {
    QString name;            // the plan's name, or the file's base name
    ModuleSettings settings;
    ProductVariant variant;  // the product the configuration was read for
    QString productName;     // as --product takes it ("740R-B", ...)
    QString source;          // the file it was read from
    QStringList notices;     // what reading the file would have shown in the window
    // Where it is written: a port as --port takes it, and the PC side's starting rate
    // and format as --baud and --format take them; empty when not given.
    QString port;
    QString baud;
    QString format;
};

// The radios that work together: a master and its slaves, the repeaters between them.
struct Network {
    QString name;
    std::vector<NetworkMember> members;
};

// A stored destination as the module uses it: the repeaters in order, then the
// destination's unit address.
struct Route {
    int index = 0;  // 0..3: stored destination 1..4
    std::vector<int> repeaters;
    int destination = 0;

    bool operator==(const Route &) const = default;
};

// The stored destinations a member holds, as routes: those of the controlled modes
// (the transparent modes send none), leaving out destinations of 0 (disabled);
// repeaters end at the first 0.
std::vector<Route> routesOf(const ModuleSettings &settings);

// The unit address the member answers to on the air: its unit address in the
// controlled modes, nothing in the transparent ones.
std::optional<int> unitAddressOf(const ModuleSettings &settings);

// The configurations of ".40B" files: each path a file or a folder (whose ".40B"
// files are taken in name order). Members are named by the file's base name; a name
// that repeats gets the file's path instead. Throws Exception (naming the file) when
// a file cannot be read or is not a configuration, or when no file is found.
Network networkFromFiles(const QStringList &paths, const QString &productName = QStringLiteral("740R-B"));
// The same for a product already chosen (the window's).
Network networkFromFiles(const QStringList &paths, const ProductVariant &variant, const QString &productName);

// The product a name selects ("740R-B", "620R", ...); throws Exception for a name
// that selects none.
ProductVariant productVariantNamed(const QString &name);
