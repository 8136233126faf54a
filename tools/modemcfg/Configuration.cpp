#include "Configuration.h"

#include "settings/ConfigFile.h"
#include "settings/ListingParser.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsComparison.h"

namespace {
// The window's texts for the same failures.
const QString kLoadFailedText = QStringLiteral("Unable to load file. The file may be corrupt, or incorrect.");
const QString kNoModeText = QStringLiteral("An operating mode must be selected!");

QStringList noticeTexts(const std::vector<ListingNotice> &notices)
{
    QStringList texts;
    for (const ListingNotice &n : notices)
        texts << n.text;
    return texts;
}
}  // namespace

QStringList productNames()
{
    return {QStringLiteral("740R-B"), QStringLiteral("620R"), QStringLiteral("KMA-410D-900"),
            QStringLiteral("KMA-410D-868"), QStringLiteral("JT-LNK-9-D")};
}

std::optional<ProductVariant> productNamed(const QString &name)
{
    return selectProductVariant(name);
}

std::optional<Configuration> loadConfiguration(const QString &path, const ProductVariant &variant, QString *error)
{
    const auto fail = [&](const QString &why) {
        *error = path + QStringLiteral(": ") + why;
        return std::nullopt;
    };
    QByteArray line;
    try {
        line = ConfigFile().readLine(path);
    } catch (const FileError &e) {
        *error = e.message();
        return std::nullopt;
    }
    ListingParser parser(line, variant.radioClass);
    ParsedListing parsed;
    try {
        parsed = parser.parse(true);
    } catch (const ConversionError &) {
        return fail(kLoadFailedText);
    }
    if (parsed.refused)
        return fail(noticeTexts(parsed.notices).join(QLatin1Char(' ')));
    Configuration c;
    c.settings = settingsFromListing(parsed, variant);
    if (c.settings.mode == OperatingMode::None)
        return fail(kNoModeText);
    c.commands = buildCommandList(c.settings);
    c.notices = noticeTexts(parsed.notices);
    return c;
}

Configuration configurationFrom(const ModuleSettings &settings)
{
    return {settings, buildCommandList(settings), {}};
}

QString saveConfiguration(const Configuration &configuration, const QString &path)
{
    if (configuration.settings.mode == OperatingMode::None)
        return kNoModeText;
    try {
        saveToFile(joinCommandList(configuration.commands), path);
    } catch (const Exception &e) {
        return e.message();
    }
    return {};
}
