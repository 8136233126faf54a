#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QIODevice;

// One run of a receive test kept for looking at and saving: the report lines with
// their arrival times, numbered markers, running statistics and the count of lines
// dropped as noise. Used on one thread; knows nothing of widgets, so a console
// command can record the same way the dialog does.
class Recording {
public:
    // The RSSI measurement reports a level; the BER tests report errors and a level.
    enum class Kind { Level, Ber };
    enum class Quantity { Level, Errors };

    struct Sample {
        qint64 elapsedMs = 0;  // since start
        QByteArray line;       // the report line as received
        float level = 0;       // dBm; NaN when the line carries none
        float errors = 0;      // the report's error count; NaN when it carries none
    };

    struct Marker {
        int number = 0;
        qint64 elapsedMs = 0;
        // The report showing when it was set (the first one if none was yet); -1 if
        // no report ever came.
        qsizetype sample = -1;
    };

    struct Statistics {
        double minimum = 0;
        double maximum = 0;
        double sum = 0;
        qint64 count = 0;
        double average() const { return count ? sum / double(count) : 0; }
        void add(double value);
    };

    explicit Recording(Kind kind = Kind::Level) : m_kind(kind) {}

    // The module the run is of (its model or identification) and the port it was
    // measured on, named at the head of the CSV file; kept across runs.
    void setSource(const QString &module, const QString &port);
    const QString &module() const { return m_module; }
    const QString &port() const { return m_port; }

    // Forgets the previous run and starts a new one.
    void start(const QDateTime &at, Kind kind);
    // Ends the run; what was recorded stays until the next start.
    void finish(const QDateTime &at);
    bool isRunning() const { return m_running; }
    bool isEmpty() const { return m_samples.empty() && m_markers.empty(); }

    // Records a report line; any other non-empty line after the first report is
    // counted as noise. Returns whether the line was a report. Lines before the first
    // start are ignored.
    bool addLine(const QByteArray &line, const QDateTime &at);
    // Lines lost before they could be looked at (the line cutter's overlong runs).
    void addNoise(qsizetype count) { m_noise += count; }
    // Adds the next numbered marker at the given time and returns its number.
    int mark(const QDateTime &at);

    Kind kind() const { return m_kind; }
    QDateTime startTime() const { return m_start; }
    // Up to `now` while running, up to the end once finished.
    qint64 elapsedMs(const QDateTime &now) const;
    const std::vector<Sample> &samples() const { return m_samples; }
    const std::vector<Marker> &markers() const { return m_markers; }
    const Statistics &statistics(Quantity q) const { return q == Quantity::Level ? m_level : m_errors; }
    qsizetype noiseCount() const { return m_noise; }

    // The points of one quantity (x in seconds since start) from `fromMs` on, at most
    // about `maxPoints` of them: longer stretches keep each bucket's lowest and
    // highest value, so peaks survive the thinning.
    QList<QPointF> points(Quantity q, qint64 fromMs, int maxPoints) const;

    // The report fields as the dialog shows them, and their captions.
    QStringList fieldNames() const;
    QStringList fields(const Sample &sample) const;

    // Two rows naming the module and the port ("Module,740R-B", "Port,COM1"), a header
    // row, then one row per report: ISO 8601 time, seconds since start, the
    // fields, the marker numbers, the raw line; RFC 4180 quoting, CRLF line ends.
    void writeCsv(QIODevice &out) const;
    // Writes the CSV file whole or not at all; the message for a failure, if any.
    std::optional<QString> saveCsv(const QString &path) const;

private:
    Kind m_kind;
    QString m_module;
    QString m_port;
    bool m_running = false;
    QDateTime m_start;
    QDateTime m_end;
    std::vector<Sample> m_samples;
    std::vector<Marker> m_markers;
    Statistics m_level;
    Statistics m_errors;
    qsizetype m_noise = 0;
};
