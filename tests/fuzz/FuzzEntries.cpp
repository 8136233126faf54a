#include "FuzzEntries.h"

#include "settings/CommandBuilder.h"
#include "settings/ConfigFile.h"
#include "settings/ListingParser.h"
#include "settings/SettingsModel.h"

#include <QBuffer>

namespace fuzzentry {
namespace {

class AnswerEverything : public MessageSink {
public:
    Answer show(Icon, Buttons buttons, const QString &) override {
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
};

ProductVariant variantOf(bool class620) {
    ProductVariant v;
    v.radioClass = class620 ? RadioClass::Class620 : RadioClass::Class740;
    v.baseCaption = QStringLiteral("fuzz");
    return v;
}

// Every field within what the model allows after any parse.
QString checkModel(const SettingsModel &model) {
    const int mode = static_cast<int>(model.mode());
    if (mode < 1 || mode > 5)
        return QStringLiteral("operating mode %1").arg(mode);
    for (int i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        const FieldInfo &info = fieldInfo(f);
        const int v = model.get(f);
        const int max = info.kind == FieldKind::Choice ? 65535 : model.maximum(f);
        if (v < info.min || v > max)
            return QStringLiteral("%1 = %2 outside %3..%4").arg(info.name).arg(v).arg(info.min).arg(max);
    }
    if (model.get(Field::FastOperation) != 0 && model.variant().radioClass == RadioClass::Class620)
        return QStringLiteral("Fast Operation on a 620");
    return QString();
}

struct Parsed {
    bool ok = false;  // false: a conversion failure
    QString problem;
    QByteArray rebuilt;  // the file line built from the settings parsed
};

Parsed parse(const QByteArray &input, bool class620, bool fromFile) {
    AnswerEverything sink;
    SettingsModel model(variantOf(class620), sink);
    model.applyDefaults();
    QByteArray text = input;
    Parsed out;
    try {
        model.applyListing(ListingParser(text, model.variant().radioClass).parse(fromFile));
        out.ok = true;
    } catch (const ConversionError &) {
    }
    if (!input.endsWith(text))
        out.problem = QStringLiteral("the listing was changed, not just consumed from the front");
    else
        out.problem = checkModel(model);
    if (out.ok && out.problem.isEmpty())
        out.rebuilt = fileLineFromJoined(joinCommandList(buildCommandList(model.settings())));
    return out;
}

QString fileMode(const QByteArray &line, bool class620) {
    const Parsed first = parse(line, class620, true);
    if (!first.problem.isEmpty() || !first.ok)
        return first.problem;
    // Parsing normalises (a route "1,2,3,4,5,0" reads as four repeaters to 5); from
    // then on a line and the settings it gives must agree.
    const Parsed second = parse(first.rebuilt, class620, true);
    if (!second.ok)
        return QStringLiteral("a built line does not parse: ") + QString::fromLatin1(first.rebuilt);
    const Parsed third = parse(second.rebuilt, class620, true);
    if (!third.ok || third.rebuilt != second.rebuilt)
        return QStringLiteral("rebuilt lines differ:\n%1\n%2")
            .arg(QString::fromLatin1(second.rebuilt), QString::fromLatin1(third.rebuilt));
    return second.problem;
}

}  // namespace

QString listingModule(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return QString();
    const QByteArray input(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size - 1));
    return parse(input, (data[0] & 1) != 0, false).problem;
}

QString listingFile(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return QString();
    const QByteArray input(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size - 1));
    return fileMode(input, (data[0] & 1) != 0);
}

QString fileReader(const std::uint8_t *data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QByteArray line;
    try {
        line = ConfigFile::readFirstLine(buffer, QStringLiteral("fuzz"));
    } catch (const FileError &) {
        return QString();
    }
    if (line.size() > ConfigFile::kMaxLineLength || line.contains('\n') || line.contains('\r') ||
        line.contains('\0') || line.contains('\x1A'))
        return QStringLiteral("the line reader let through what it must not");
    if (!bytes.startsWith(line) && !bytes.contains('\r'))
        return QStringLiteral("the line is not the front of the file");
    return fileMode(line, false);
}

}  // namespace fuzzentry
