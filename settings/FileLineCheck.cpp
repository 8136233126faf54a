#include "settings/FileLineCheck.h"

#include "settings/CommandBuilder.h"
#include "settings/ModuleSettings.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

struct Token {
    QByteArray text;
    int position = 0;
    int column = 0;
};

std::vector<Token> tokensOf(const QByteArray &line)
{
    std::vector<Token> tokens;
    int position = 0;
    for (qsizetype i = 0; i < line.size();) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        tokens.push_back({line.mid(i, end - i), ++position, int(i) + 1});
        i = end;
    }
    return tokens;
}

// The keys of a file line as written there, longest first: "S14:", "&Z0=", "&K", "B".
const QList<QByteArray> &fileKeys()
{
    static const QList<QByteArray> keys = [] {
        QList<QByteArray> list;
        for (const QByteArray &prefix : commandTemplate()) {
            QByteArray key = prefix.mid(2);
            if (key.startsWith('S') && key.endsWith('='))
                key.back() = ':';
            list << key;
        }
        std::sort(list.begin(), list.end(), [](const QByteArray &a, const QByteArray &b) { return a.size() > b.size(); });
        return list;
    }();
    return keys;
}

// The key as people name it: "S14", "&Z0", "&K".
QString keyName(const QByteArray &fileKey)
{
    QByteArray name = fileKey;
    if (name.endsWith(':') || name.endsWith('='))
        name.chop(1);
    return QString::fromLatin1(name);
}

struct Range {
    int min = 0;
    int max = 255;
    QList<int> only;  // when set, the values taken
};

// The values a key takes in the file's own units.
Range rangeOf(const QString &key)
{
    static const QHash<QString, Range> special{
        {QStringLiteral("&B"), {0, 15, {}}},
        {QStringLiteral("&K"), {0, 5, {0, 3, 4, 5}}},
        {QStringLiteral("&L"), {0, 3, {}}},
        {QStringLiteral("&M"), {0, 3, {}}},
        {QStringLiteral("&U"), {0, 255, {}}},
        {QStringLiteral("S1"), {60 / 20, 5100 / 20, {}}},
        {QStringLiteral("S10"), {0, 2550 / 10, {}}},
        {QStringLiteral("S14"), {20 / 2 - 10, 530 / 2 - 10, {}}},
    };
    if (const auto it = special.find(key); it != special.end())
        return *it;
    for (int f = 0; f < kFieldCount; ++f) {
        const FieldInfo &info = fieldInfo(Field(f));
        if (info.key && QString::fromLatin1(info.key) == key)
            return {info.min, info.max, {}};
    }
    return {};
}

std::optional<int> wholeNumber(const QByteArray &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    if (!digits.match(QString::fromLatin1(text)).hasMatch())
        return std::nullopt;
    return text.toInt();
}

QString outOfRange(int value, const Range &r)
{
    if (r.only.isEmpty())
        return QStringLiteral("%1 is out of range %2..%3").arg(value).arg(r.min).arg(r.max);
    QStringList values;
    for (int v : r.only)
        values << QString::number(v);
    return QStringLiteral("%1 is not one of %2").arg(value).arg(values.join(QStringLiteral(", ")));
}

// What is wrong with a value of `key`; empty when nothing.
std::optional<std::pair<FileLineProblem::Kind, QString>> judgeValue(const QString &key, const QByteArray &value)
{
    using Kind = FileLineProblem::Kind;
    if (key.startsWith(QStringLiteral("&Z"))) {
        if (value.isEmpty())
            return std::nullopt;
        const QList<QByteArray> items = value.split(',');
        if (items.size() > 6)
            return std::pair{Kind::OutOfRange, QStringLiteral("has %1 numbers, at most 6 are taken").arg(items.size())};
        for (const QByteArray &item : items) {
            const std::optional<int> n = wholeNumber(item);
            if (!n)
                return std::pair{Kind::Malformed, QStringLiteral("\"%1\" is not a route of whole numbers")
                                                      .arg(QString::fromLatin1(value))};
            if (*n > 255)
                return std::pair{Kind::OutOfRange, QStringLiteral("%1 is out of range 0..255").arg(*n)};
        }
        return std::nullopt;
    }
    const std::optional<int> n = wholeNumber(value);
    if (!n)
        return std::pair{Kind::Malformed,
                         QStringLiteral("\"%1\" is not a whole number").arg(QString::fromLatin1(value))};
    const Range r = rangeOf(key);
    const bool taken = r.only.isEmpty() ? *n >= r.min && *n <= r.max : r.only.contains(*n);
    if (!taken)
        return std::pair{Kind::OutOfRange, outOfRange(*n, r)};
    return std::nullopt;
}

// The key a token starts with after "AT", as written in the file; empty for none.
QByteArray keyOf(const QByteArray &afterAt)
{
    for (const QByteArray &key : fileKeys())
        if (afterAt.startsWith(key))
            return key;
    return {};
}

FileLineProblem problem(FileLineProblem::Kind kind, const Token &t, const QString &key, const QString &detail)
{
    return {kind, t.position, t.column, key, QString::fromLatin1(t.text), detail};
}

// key -> value of every well-formed token, the first of each key.
QHash<QString, std::pair<Token, QByteArray>> valuesOf(const QByteArray &line)
{
    QHash<QString, std::pair<Token, QByteArray>> values;
    for (const Token &t : tokensOf(line)) {
        if (!t.text.startsWith("AT"))
            continue;
        const QByteArray key = keyOf(t.text.mid(2));
        if (!key.isEmpty() && !values.contains(keyName(key)))
            values.insert(keyName(key), {t, t.text.mid(2 + key.size())});
    }
    return values;
}

// A route's disabled destination after five repeaters is written ",0" and read back
// without it: the same route.
QByteArray comparable(const QString &key, QByteArray value)
{
    if (key.startsWith(QStringLiteral("&Z")))
        while (value.endsWith(",0"))
            value.chop(2);
    return value;
}

}  // namespace

QString FileLineProblem::text() const
{
    QString where = QStringLiteral("token %1 (column %2) \"%3\"").arg(position).arg(column).arg(token);
    return where + QStringLiteral(": ") + (key.isEmpty() ? detail : key + QLatin1Char(' ') + detail);
}

std::vector<FileLineProblem> checkFileLine(const QByteArray &line)
{
    using Kind = FileLineProblem::Kind;
    static const QRegularExpression keyLike(QStringLiteral("^(S[0-9]+|&?[A-Z\\\\])[:=]?[0-9]*$"));
    std::vector<FileLineProblem> problems;
    QSet<QString> seen;
    for (const Token &t : tokensOf(line)) {
        if (!t.text.startsWith("AT")) {
            problems.push_back(problem(Kind::Malformed, t, {}, QStringLiteral("does not start with \"AT\"")));
            continue;
        }
        const QByteArray afterAt = t.text.mid(2);
        const QByteArray key = keyOf(afterAt);
        if (key.isEmpty()) {
            const QRegularExpressionMatch m = keyLike.match(QString::fromLatin1(afterAt));
            if (m.hasMatch())
                problems.push_back(problem(Kind::UnknownKey, t, m.captured(1), QStringLiteral("is no setting of a "
                                                                                             "configuration file")));
            else
                problems.push_back(problem(Kind::Malformed, t, {}, QStringLiteral("is not one setting and its value")));
            continue;
        }
        const QString name = keyName(key);
        if (seen.contains(name)) {
            problems.push_back(problem(Kind::Repeated, t, name, QStringLiteral("is given before; only the first is read")));
            continue;
        }
        seen.insert(name);
        if (const auto wrong = judgeValue(name, afterAt.mid(key.size())))
            problems.push_back(problem(wrong->first, t, name, wrong->second));
    }
    return problems;
}

std::vector<FileLineProblem> changesOnReading(const QByteArray &line, const QByteArray &rewritten)
{
    const auto given = valuesOf(line);
    const auto kept = valuesOf(rewritten);
    std::vector<FileLineProblem> changes;
    for (auto it = given.begin(); it != given.end(); ++it) {
        const Token &t = it->first;
        const QByteArray &value = it->second;
        const auto now = kept.find(it.key());
        QString detail;
        if (now == kept.end())
            detail = QStringLiteral("is ignored");
        else if (comparable(it.key(), now->second) != comparable(it.key(), value))
            detail = QStringLiteral("%1 is read as %2").arg(QString::fromLatin1(value), QString::fromLatin1(now->second));
        if (!detail.isEmpty())
            changes.push_back(problem(FileLineProblem::Kind::Changed, t, it.key(), detail));
    }
    std::sort(changes.begin(), changes.end(),
              [](const FileLineProblem &a, const FileLineProblem &b) { return a.position < b.position; });
    return changes;
}

std::vector<FileLineProblem> lenientReadingProblems(const QByteArray &line, const QByteArray &rewritten)
{
    std::vector<FileLineProblem> all = checkFileLine(line);
    QSet<int> told;
    for (const FileLineProblem &p : all)
        told.insert(p.position);
    for (const FileLineProblem &p : changesOnReading(line, rewritten))
        if (!told.contains(p.position))
            all.push_back(p);
    std::stable_sort(all.begin(), all.end(),
                     [](const FileLineProblem &a, const FileLineProblem &b) { return a.position < b.position; });
    return all;
}

QString lenientReadingNotice(const QByteArray &line, const QByteArray &rewritten, const QStringList &explained)
{
    QStringList lines;
    for (const FileLineProblem &p : lenientReadingProblems(line, rewritten))
        if (!explained.contains(p.key))
            lines << p.text();
    if (lines.isEmpty())
        return {};
    lines.prepend(QStringLiteral("The file was read, but not every value as written:"));
    lines << QStringLiteral("A configure writes the values the window shows.");
    return lines.join(QLatin1Char('\n'));
}
