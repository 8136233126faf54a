#include "settings/SettingsRecord.h"

#include "settings/ConfigFile.h"
#include "settings/ListingParser.h"
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

SettingsRecord settingsRecordFromText(QByteArray text, bool fromFile, const ProductVariant &variant)
{
    ListingParser parser(text, variant.radioClass);
    ParsedListing parsed;
    try {
        parsed = parser.parse(fromFile);
    } catch (const ConversionError &) {
        throw Exception(kLoadFailedText);
    }
    if (parsed.refused)
        throw Exception(noticeTexts(parsed.notices).join(QLatin1Char(' ')));
    SettingsRecord record{settingsFromListing(parsed, variant), noticeTexts(parsed.notices)};
    if (record.settings.mode == OperatingMode::None)
        throw Exception(kNoModeText);
    return record;
}

SettingsRecord readSettingsFile(const QString &path, const ProductVariant &variant)
{
    const QByteArray line = ConfigFile().readLine(path);
    try {
        return settingsRecordFromText(line, true, variant);
    } catch (const Exception &e) {
        throw Exception(path + QStringLiteral(": ") + e.message());
    }
}
