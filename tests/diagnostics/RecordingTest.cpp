// The recording of a receive test: statistics, markers, the CSV file and the thinned
// chart points.

#include "diagnostics/Recording.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QDateTime kStart(QDate(2026, 12, 8), QTime(9, 0), Qt::OffsetFromUTC, 3600);

QDateTime at(qint64 ms) { return kStart.addMSecs(ms); }

QString csvOf(const Recording &r)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    r.writeCsv(buffer);
    return QString::fromUtf8(buffer.data());
}

} // namespace

TEST(Recording, StatisticsOverAKnownSeries)
{
    Recording ber;
    ber.start(kStart, Recording::Kind::Ber);
    EXPECT_FALSE(ber.addLine("01", at(100)));  // the start command's reply: no noise
    EXPECT_TRUE(ber.addLine("0001 0000 0000 -070 0000 0000 19.2 x 64", at(300)));
    EXPECT_FALSE(ber.addLine("RING", at(400)));
    EXPECT_FALSE(ber.addLine("", at(450)));  // a blank line is no noise
    EXPECT_TRUE(ber.addLine("0002 0003 0000 -080 0003 0000 19.2 x 64", at(600)));
    EXPECT_TRUE(ber.addLine("0003 0002 0000 -075 0005 0000 19.2 x 64", at(900)));
    ber.addNoise(2);  // overlong runs the cutter dropped
    const auto &level = ber.statistics(Recording::Quantity::Level);
    const auto &errors = ber.statistics(Recording::Quantity::Errors);
    EXPECT_EQ(level.count, 3);
    EXPECT_DOUBLE_EQ(level.minimum, -80);
    EXPECT_DOUBLE_EQ(level.maximum, -70);
    EXPECT_DOUBLE_EQ(level.average(), -75);
    EXPECT_DOUBLE_EQ(errors.minimum, 0);
    EXPECT_DOUBLE_EQ(errors.maximum, 3);
    EXPECT_DOUBLE_EQ(errors.average(), 5.0 / 3.0);
    EXPECT_EQ(ber.noiseCount(), 3);

    ber.finish(at(2000));
    EXPECT_EQ(ber.elapsedMs(at(99'000)), 2000);  // a finished run stops the clock

    // The RSSI measurement takes its level lines only; a BER line there is noise.
    Recording rssi;
    rssi.start(kStart, Recording::Kind::Level);
    rssi.addLine("RSSI -071 dBm", at(300));
    rssi.addLine("0001 0000 0000 -070 0000 0000 19.2 x 64", at(400));
    rssi.addLine("RSSI -064 dBm", at(600));
    EXPECT_EQ(rssi.samples().size(), 2u);
    EXPECT_DOUBLE_EQ(rssi.statistics(Recording::Quantity::Level).minimum, -71);
    EXPECT_DOUBLE_EQ(rssi.statistics(Recording::Quantity::Level).average(), -67.5);
    EXPECT_EQ(rssi.statistics(Recording::Quantity::Errors).count, 0);
    EXPECT_EQ(rssi.noiseCount(), 1);

    // Start forgets the previous run.
    rssi.start(at(5000), Recording::Kind::Level);
    EXPECT_TRUE(rssi.isEmpty());
    EXPECT_EQ(rssi.noiseCount(), 0);
    EXPECT_EQ(rssi.statistics(Recording::Quantity::Level).count, 0);
}

TEST(Recording, CsvHasAHeaderOneRowPerReportMarkersAndQuoting)
{
    Recording r;
    r.setSource(QStringLiteral("740R-B V1.90"), QStringLiteral("COM1"));
    r.start(kStart, Recording::Kind::Ber);
    EXPECT_EQ(r.mark(at(100)), 1);  // before any report: goes with the first
    r.addLine("0001 0000 0000 -071 0000 0000 19.2 x 64", at(300));
    r.addLine("0002 0001 0000 -069 0001 0000 1,5 x \"64\"", at(1250));
    EXPECT_EQ(r.mark(at(1400)), 2);  // both go with the report on show
    EXPECT_EQ(r.mark(at(1500)), 3);
    r.addLine("0003 0000 0000 -070 0001 0000 19.2 x 64", at(1600));
    r.finish(at(1700));

    // The module and the port head the file; the start kept them.
    const QString expected = QStringLiteral(
        "Module,740R-B V1.90\r\n"
        "Port,COM1\r\n"
        "Time,Seconds,Test,Errors,Extra,Level,Tot Error,Tot Miss,Tot Test,Marker,Line\r\n"
        "2026-12-08T09:00:00.300+01:00,0.300,0001,0000,0000,-071,0000,0000,19.2 kbit,1,"
        "0001 0000 0000 -071 0000 0000 19.2 x 64\r\n"
        "2026-12-08T09:00:01.250+01:00,1.250,0002,0001,0000,-069,0001,0000,\"1,5 kbit\",2 3,"
        "\"0002 0001 0000 -069 0001 0000 1,5 x \"\"64\"\"\"\r\n"
        "2026-12-08T09:00:01.600+01:00,1.600,0003,0000,0000,-070,0001,0000,19.2 kbit,,"
        "0003 0000 0000 -070 0001 0000 19.2 x 64\r\n");
    EXPECT_EQ(csvOf(r).toStdString(), expected.toStdString());

    // The RSSI measurement has one field, the line as shown; a marker of a run without
    // reports still reaches the file.
    Recording rssi;
    rssi.start(kStart, Recording::Kind::Level);
    rssi.mark(at(2000));
    EXPECT_EQ(csvOf(rssi).toStdString(), "Module,\r\nPort,\r\nTime,Seconds,Level,Marker,Line\r\n"
                                         "2026-12-08T09:00:02.000+01:00,2.000,,1,\r\n");

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(r.saveCsv(dir.filePath("run.csv")).has_value());
    QFile saved(dir.filePath("run.csv"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()).toStdString(), expected.toStdString());
    const std::optional<QString> failure = r.saveCsv(dir.filePath("missing/run.csv"));
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->contains("missing/run.csv")) << failure->toStdString();
}

TEST(Recording, ChartPointsStayBoundedAndKeepThePeaks)
{
    // An hour at the module's rate, with one deep fade in the middle.
    Recording r;
    r.start(kStart, Recording::Kind::Level);
    for (qint64 i = 1; i <= 12'000; ++i) {
        const int level = i == 6'001 ? 99 : 70 + int(i % 5);
        r.addLine(QByteArray("RSSI -0") + QByteArray::number(level) + " dBm", at(i * 300));
    }
    const QList<QPointF> whole = r.points(Recording::Quantity::Level, 0, 400);
    EXPECT_LE(whole.size(), 400);
    EXPECT_GE(whole.size(), 300);
    EXPECT_TRUE(std::is_sorted(whole.begin(), whole.end(),
                               [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); }));
    EXPECT_TRUE(std::any_of(whole.begin(), whole.end(), [](const QPointF &p) { return p.y() == -99; }));
    EXPECT_DOUBLE_EQ(std::min_element(whole.begin(), whole.end(),
                                      [](const QPointF &a, const QPointF &b) { return a.y() < b.y(); })->y(), -99);

    // The last minute is every report of it, unthinned.
    const QList<QPointF> minute = r.points(Recording::Quantity::Level, 3'600'000 - 60'000, 400);
    ASSERT_EQ(minute.size(), 201);
    EXPECT_DOUBLE_EQ(minute.front().x(), 3540.0);
    EXPECT_DOUBLE_EQ(minute.back().x(), 3600.0);
}
