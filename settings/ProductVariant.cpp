#include "settings/ProductVariant.h"

#include <algorithm>

const QString kFilenameErrorText = QStringLiteral(
    "Filename Error!\r\n\r\nThe filename MUST contain the text:\r\n  '620', '740', \r\n"
    "  'KMA 410D-900', 'KMA 410D-868' or\r\n  'JT LNK'.\r\n\r\n"
    "Please rename the file so that it contains the required text.");

namespace {
ProductVariant makeVariant(Brand brand, RadioClass radioClass, const QString &caption, const QString &model) {
    ProductVariant v;
    v.brand = brand;
    v.radioClass = radioClass;
    v.baseCaption = caption;
    v.modelName = model;
    return v;
}
}  // namespace

std::optional<ProductVariant> selectProductVariant(const QString &fileName) {
    const auto has = [&fileName](const char *token) {
        return fileName.contains(QLatin1String(token), Qt::CaseSensitive);
    };
    if (has("740"))
        return makeVariant(Brand::Korvel, RadioClass::Class740, QStringLiteral("740R-B Configuration"),
                           QStringLiteral("740R-B"));
    if (has("620"))
        return makeVariant(Brand::Korvel, RadioClass::Class620, QStringLiteral("620R Configuration"),
                           QStringLiteral("620R"));
    if (has("KMA") && has("410")) {
        // Any "8" in the name, extension included, marks the 868 MHz product.
        if (has("8"))
            return makeVariant(Brand::Brisca, RadioClass::Class620,
                               QStringLiteral("KMA 410D Configuration (868 MHz)"), QStringLiteral("KMA 410U"));
        return makeVariant(Brand::Brisca, RadioClass::Class740, QStringLiteral("KMA 410D Configuration"),
                           QStringLiteral("KMA 410U"));
    }
    if (has("JT") && has("LNK"))
        return makeVariant(Brand::Tolvane, RadioClass::Class740,
                           QStringLiteral("JT Modem Configuration Utility"), QStringLiteral("JT-LNK-9-D"));
    return std::nullopt;
}

QString executableFileName(const QString &argv0) {
    const qsizetype cut = std::max(argv0.lastIndexOf(QLatin1Char('/')), argv0.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? argv0 : argv0.mid(cut + 1);
}

QString applicationIconName(Brand brand) {
    switch (brand) {
    case Brand::Brisca: return QStringLiteral("BRISCA");
    case Brand::Tolvane: return QStringLiteral("TOLVANE");
    case Brand::Korvel: break;
    }
    return QStringLiteral("KORVELEGG");
}

bool keepsWindowIcon(Brand brand) { return brand == Brand::Korvel; }

bool showsS21(RadioClass radioClass) { return radioClass == RadioClass::Class740; }

QString s18TabCaption(RadioClass radioClass) {
    return showsS21(radioClass) ? QStringLiteral("S18 - S21") : QStringLiteral("S18 - S20");
}

bool hasFastOperation(RadioClass radioClass) { return radioClass == RadioClass::Class740; }
