#include "diagnostics/Recording.h"

#include "diagnostics/TestReport.h"

#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

float number(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? float(v) : kNone;
}

// "RSSI -071 dBm": the word before the unit.
float levelOfLevelLine(const QByteArray &line)
{
    const qsizetype unit = line.indexOf("dBm");
    const QList<QByteArray> words = line.left(unit).simplified().split(' ');
    return words.isEmpty() ? kNone : number(QString::fromLatin1(words.constLast()));
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\r'))
        && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void writeRow(QIODevice &out, const QStringList &row)
{
    QStringList cells;
    cells.reserve(row.size());
    for (const QString &cell : row)
        cells << csvField(cell);
    out.write(cells.join(QLatin1Char(',')).toUtf8());
    out.write("\r\n");
}

} // namespace

void Recording::Statistics::add(double value)
{
    if (count == 0) {
        minimum = maximum = value;
    } else {
        minimum = std::min(minimum, value);
        maximum = std::max(maximum, value);
    }
    sum += value;
    ++count;
}

void Recording::setSource(const QString &module, const QString &port)
{
    m_module = module;
    m_port = port;
}

void Recording::start(const QDateTime &at, Kind kind)
{
    Recording fresh(kind);
    fresh.setSource(m_module, m_port);
    *this = std::move(fresh);
    m_start = at;
    m_running = true;
}

void Recording::finish(const QDateTime &at)
{
    if (!m_running)
        return;
    m_running = false;
    m_end = at;
}

qint64 Recording::elapsedMs(const QDateTime &now) const
{
    if (!m_start.isValid())
        return 0;
    return std::max<qint64>(0, m_start.msecsTo(m_running ? now : m_end));
}

bool Recording::addLine(const QByteArray &line, const QDateTime &at)
{
    if (!m_start.isValid())
        return false;  // never started
    Sample sample;
    const bool report = m_kind == Kind::Level ? TestReport::isLevelLine(line) : TestReport::isBerLine(line);
    if (!report) {
        // Before the first report come the last words of the start command's reply.
        if (!line.isEmpty() && !m_samples.empty())
            ++m_noise;
        return false;
    }
    if (m_kind == Kind::Level) {
        sample.level = levelOfLevelLine(line);
        sample.errors = kNone;
    } else {
        const TestReport::BerValues values = TestReport::berValues(line);
        sample.errors = number(values[1]);
        sample.level = number(values[3]);
    }
    sample.elapsedMs = std::max<qint64>(0, m_start.msecsTo(at));
    sample.line = line;
    if (!std::isnan(sample.level))
        m_level.add(sample.level);
    if (!std::isnan(sample.errors))
        m_errors.add(sample.errors);
    m_samples.push_back(std::move(sample));
    if (m_samples.size() == 1) {
        for (Marker &m : m_markers)
            m.sample = 0;
    }
    return true;
}

int Recording::mark(const QDateTime &at)
{
    Marker marker;
    marker.number = int(m_markers.size()) + 1;
    marker.elapsedMs = std::max<qint64>(0, m_start.msecsTo(at));
    marker.sample = m_samples.empty() ? -1 : qsizetype(m_samples.size()) - 1;
    m_markers.push_back(marker);
    return marker.number;
}

QList<QPointF> Recording::points(Quantity q, qint64 fromMs, int maxPoints) const
{
    const auto first = std::lower_bound(m_samples.begin(), m_samples.end(), fromMs,
                                        [](const Sample &s, qint64 ms) { return s.elapsedMs < ms; });
    const auto value = [q](const Sample &s) { return q == Quantity::Level ? s.level : s.errors; };
    const auto point = [](const Sample &s, float v) { return QPointF(double(s.elapsedMs) / 1000.0, double(v)); };
    const qsizetype count = m_samples.end() - first;
    QList<QPointF> out;
    if (count <= maxPoints) {
        out.reserve(count);
        for (auto it = first; it != m_samples.end(); ++it) {
            if (!std::isnan(value(*it)))
                out << point(*it, value(*it));
        }
        return out;
    }
    // Two points per bucket, in time order.
    const qsizetype buckets = std::max(1, maxPoints / 2);
    out.reserve(buckets * 2);
    for (qsizetype b = 0; b < buckets; ++b) {
        const auto begin = first + count * b / buckets;
        const auto end = first + count * (b + 1) / buckets;
        auto low = end;
        auto high = end;
        for (auto it = begin; it != end; ++it) {
            const float v = value(*it);
            if (std::isnan(v))
                continue;
            if (low == end || v < value(*low))
                low = it;
            if (high == end || v > value(*high))
                high = it;
        }
        if (low == end)
            continue;
        const auto [a, b2] = std::minmax(low, high);
        out << point(*a, value(*a));
        if (b2 != a)
            out << point(*b2, value(*b2));
    }
    return out;
}

QStringList Recording::fieldNames() const
{
    if (m_kind == Kind::Level)
        return {QStringLiteral("Level")};
    return {QStringLiteral("Test"),      QStringLiteral("Errors"),   QStringLiteral("Extra"),
            QStringLiteral("Level"),     QStringLiteral("Tot Error"), QStringLiteral("Tot Miss"),
            QStringLiteral("Tot Test")};
}

QStringList Recording::fields(const Sample &sample) const
{
    if (m_kind == Kind::Level)
        return {QString::fromLatin1(sample.line)};
    const TestReport::BerValues values = TestReport::berValues(sample.line);
    return QStringList(values.begin(), values.end());
}

void Recording::writeCsv(QIODevice &out) const
{
    const auto timeOf = [this](qint64 ms) {
        QDateTime t = m_start.addMSecs(ms);
        return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs);
    };
    const auto seconds = [](qint64 ms) { return QString::number(double(ms) / 1000.0, 'f', 3); };

    writeRow(out, {QStringLiteral("Module"), m_module});
    writeRow(out, {QStringLiteral("Port"), m_port});
    writeRow(out, QStringList{QStringLiteral("Time"), QStringLiteral("Seconds")} + fieldNames()
                      + QStringList{QStringLiteral("Marker"), QStringLiteral("Line")});
    auto marker = m_markers.begin();
    for (qsizetype i = 0; i < qsizetype(m_samples.size()); ++i) {
        const Sample &s = m_samples[std::size_t(i)];
        QStringList numbers;
        for (; marker != m_markers.end() && marker->sample == i; ++marker)
            numbers << QString::number(marker->number);
        writeRow(out, QStringList{timeOf(s.elapsedMs), seconds(s.elapsedMs)} + fields(s)
                          + QStringList{numbers.join(QLatin1Char(' ')), QString::fromLatin1(s.line)});
    }
    // Markers set in a run that never got a report still reach the file.
    const QStringList noFields(fieldNames().size());
    for (; marker != m_markers.end(); ++marker) {
        writeRow(out, QStringList{timeOf(marker->elapsedMs), seconds(marker->elapsedMs)} + noFields
                          + QStringList{QString::number(marker->number), QString()});
    }
}

std::optional<QString> Recording::saveCsv(const QString &path) const
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        writeCsv(file);
        if (file.commit())
            return std::nullopt;
    }
    return QStringLiteral("Cannot save %1: %2").arg(path, file.errorString());
}
