#include "journal/ModuleConfiguration.h"

#include "settings/ConfigFile.h"
#include "settings/ListingParser.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsComparison.h"

#include <QStringList>

std::optional<ProductVariant> productVariantOf(const QString &caption)
{
    // The names the program is installed under, one per product.
    for (const char *name : {"740R-B", "620R", "KMA-410D-900", "KMA-410D-868", "JT-LNK-9-D"}) {
        const std::optional<ProductVariant> v = selectProductVariant(QLatin1String(name));
        if (v && v->baseCaption == caption)
            return v;
    }
    return std::nullopt;
}

QByteArray fileLineOf(const CommandList &commands) { return fileLineFromJoined(joinCommandList(commands)); }

std::optional<ModuleSettings> settingsOfLine(const QByteArray &fileLine, const QString &product)
{
    if (fileLine.isEmpty())
        return std::nullopt;
    const std::optional<ProductVariant> variant = productVariantOf(product);
    const ProductVariant chosen = variant ? *variant : *selectProductVariant(QStringLiteral("740R-B"));
    QByteArray text = fileLine;
    try {
        ListingParser parser(text, chosen.radioClass);
        const ParsedListing parsed = parser.parse(true);
        if (parsed.refused)
            return std::nullopt;
        const ModuleSettings settings = settingsFromListing(parsed, chosen);
        if (settings.mode == OperatingMode::None)
            return std::nullopt;
        return settings;
    } catch (const Exception &) {
        return std::nullopt;
    }
}

QList<QPair<QString, QString>> networkSettings(const ModuleSettings &s, RadioClass radioClass)
{
    QList<QPair<QString, QString>> list;
    const auto add = [&](Field f) { list.append({fieldLabel(f), fieldValueText(f, s[f], radioClass)}); };
    list.append({QStringLiteral("Operating Mode"), modeCaption(s.mode)});
    add(Field::SystemAddress);
    if (isControlledMode(s.mode))
        add(Field::UnitAddress);
    add(Field::GroupAddress1);
    if (s.mode == OperatingMode::TransparentRepeater)
        add(Field::GroupAddress2);
    if (isControlledMode(s.mode)) {
        // As the module stores a route: the repeaters, then the destination.
        for (int n = 0; n < 4; ++n) {
            const QByteArray route = routeText(s, n);
            list.append({QStringLiteral("Route %1").arg(n + 1),
                         route.isEmpty() ? QStringLiteral("none") : QString::fromLatin1(route)});
        }
    }
    for (Field f : {Field::RadioDataRate, Field::CrcChecking, Field::SerialBaudRate, Field::SerialDataBits,
                    Field::SerialParity, Field::SerialStopBits, Field::FlowControl})
        add(f);
    return list;
}
