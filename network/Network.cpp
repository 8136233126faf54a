#include "network/Network.h"

#include "comm/Exception.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

std::vector<Route> routesOf(const ModuleSettings &settings)
{
    std::vector<Route> routes;
    if (!isControlledMode(settings.mode))
        return routes;
    for (int n = 0; n < 4; ++n) {
        Route route;
        route.index = n;
        route.destination = settings[routeDestination(n)];
        if (route.destination == 0)
            continue;
        for (int k = 1; k <= 5; ++k) {
            const int repeater = settings[routeRepeater(n, k)];
            if (repeater == 0)
                break;
            route.repeaters.push_back(repeater);
        }
        routes.push_back(std::move(route));
    }
    return routes;
}

std::optional<int> unitAddressOf(const ModuleSettings &settings)
{
    if (!isControlledMode(settings.mode))
        return std::nullopt;
    return settings[Field::UnitAddress];
}

ProductVariant productVariantNamed(const QString &name)
{
    const std::optional<ProductVariant> variant = selectProductVariant(name);
    if (!variant)
        throw Exception(QStringLiteral("The product %1 is not one of 740R-B, 620R, KMA-410D-900, KMA-410D-868, "
                                       "JT-LNK-9-D.")
                            .arg(name));
    return *variant;
}

Network networkFromFiles(const QStringList &paths, const QString &productName)
{
    return networkFromFiles(paths, productVariantNamed(productName), productName);
}

Network networkFromFiles(const QStringList &paths, const ProductVariant &variant, const QString &productName)
{
    QStringList files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            files << path;
            continue;
        }
        const QStringList found = QDir(path).entryList({QStringLiteral("*.40B"), QStringLiteral("*.40b")},
                                                       QDir::Files, QDir::Name);
        for (const QString &name : found)
            files << QDir(path).filePath(name);
    }
    if (files.isEmpty())
        throw Exception(QStringLiteral("No .40B file found in %1.").arg(paths.join(QStringLiteral(", "))));

    Network network;
    QSet<QString> names;
    for (const QString &file : files) {
        NetworkMember member;
        member.name = QFileInfo(file).completeBaseName();
        if (names.contains(member.name))
            member.name = file;
        names.insert(member.name);
        SettingsRecord record = readSettingsFile(file, variant);
        member.settings = record.settings;
        member.notices = record.notices;
        member.variant = variant;
        member.productName = productName;
        member.source = file;
        network.members.push_back(std::move(member));
    }
    return network;
}
