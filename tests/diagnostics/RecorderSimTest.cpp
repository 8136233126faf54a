// The receive test dialog's recording against the simulated module on COM1.

#include "DiagTestSupport.h"

#include "tests/support/CsvRows.h"
#include "tests/support/FakeMessages.h"
#include "ui/ReceiveTestDialog.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// The report lines the module sent, in order, without their line ends.
QList<QByteArray> sentReports(const SimOnCom1 &sim)
{
    QList<QByteArray> lines;
    for (const SimEvent &e : parseSimLog(sim.logText())) {
        if (e.kind == "TX" && e.bytes.contains(" x "))
            lines << e.bytes.trimmed();
    }
    return lines;
}

} // namespace

class RecorderSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void savedRunMatchesTheLinesTheModuleSent();
    void hangUpMidRunKeepsTheRecording();
};

void RecorderSimTest::init()
{
    if (!ModemSim::available())
        QSKIP("modem-sim is not built");
}

void RecorderSimTest::savedRunMatchesTheLinesTheModuleSent()
{
    // Reports come quickly, but not before the start commands are through.
    SimOnCom1 sim({"--start", "command", "--report-interval", "100"});
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    FakeMessages messages;
    ReceiveTestDialog form(messages);
    form.setupTest(ReceiveTest::open(1, LineSettings{}));
    form.setCsvPathChooser([&] { return path; });
    form.show();
    QVERIFY(!form.markButton()->isEnabled());
    form.startStopButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(form.startStopButton()->text(), QString("Stop"), 10000);

    QTRY_VERIFY_WITH_TIMEOUT(form.recording().samples().size() >= 10, 10000);
    form.markButton()->click();
    const qsizetype firstMarkRow = qsizetype(form.recording().samples().size());
    QTRY_VERIFY_WITH_TIMEOUT(qsizetype(form.recording().samples().size()) > firstMarkRow + 10, 10000);
    form.markButton()->click();
    const qsizetype secondMarkRow = qsizetype(form.recording().samples().size());
    QTRY_VERIFY_WITH_TIMEOUT(qsizetype(form.recording().samples().size()) > secondMarkRow + 5, 10000);
    const qsizetype sentBeforeStop = sentReports(sim).size();
    form.startStopButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(form.startStopButton()->text(), QString("Start"), 10000);
    QVERIFY(sim.received("ATZ\\r"));
    QVERIFY(!form.markButton()->isEnabled());
    QVERIFY(form.saveButton()->isEnabled());
    form.saveButton()->click();
    QVERIFY2(messages.texts().isEmpty(), qPrintable(messages.texts().join('\n')));

    // Every report sent before the stop is a row, in order; only the few still on the
    // line, which the stop flushes, may be missing at the end.
    const QList<QByteArray> sent = sentReports(sim);
    const QList<QStringList> rows = csvRows(path);
    QCOMPARE(rows.size(), qsizetype(form.recording().samples().size()));
    QVERIFY2(rows.size() <= sent.size() && rows.size() >= sentBeforeStop - 3,
             qPrintable(QStringLiteral("%1 rows, %2 sent before the stop").arg(rows.size()).arg(sentBeforeStop)));
    double previousSeconds = -1;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QStringList &row = rows[i];
        QCOMPARE(row.size(), 2 + TestReport::kBerFieldCount + 2);
        QCOMPARE(row.last(), QString::fromLatin1(sent[i]));
        const TestReport::BerValues values = TestReport::berValues(sent[i]);
        QCOMPARE(row.mid(2, TestReport::kBerFieldCount), QStringList(values.begin(), values.end()));
        const double seconds = row[1].toDouble();
        QVERIFY(seconds >= previousSeconds);
        previousSeconds = seconds;
        QVERIFY(QDateTime::fromString(row[0], Qt::ISODateWithMs).isValid());
        const QString marker = i == firstMarkRow - 1 ? "1" : i == secondMarkRow - 1 ? "2" : "";
        QCOMPARE(row[row.size() - 2], marker);
    }
}

void RecorderSimTest::hangUpMidRunKeepsTheRecording()
{
    SimOnCom1 sim({"--start", "command", "--report-interval", "100"});
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("lost.csv"));
    FakeMessages messages;
    ReceiveTestDialog form(messages);
    form.setupTest(ReceiveTest::open(3, LineSettings{}));
    form.setCsvPathChooser([&] { return path; });
    form.show();
    form.startStopButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(form.recording().samples().size() >= 5, 10000);
    form.markButton()->click();
    sim.sim().stop();  // the adapter is pulled

    QTRY_COMPARE_WITH_TIMEOUT(messages.texts(), QStringList{"COM1- This port may be already in use or not present."},
                              3000);
    QCOMPARE(form.startStopButton()->text(), QString("Start"));
    QVERIFY(!form.recording().isRunning());
    const qsizetype kept = qsizetype(form.recording().samples().size());
    QVERIFY(kept >= 5);
    QVERIFY(form.saveButton()->isEnabled());
    form.saveButton()->click();
    QCOMPARE(messages.texts().size(), 1);
    const QList<QStringList> rows = csvRows(path);
    QCOMPARE(rows.size(), kept);
    for (const QStringList &row : rows)
        QVERIFY2(row[2].startsWith("RSSI -") && row[2] == row.last(), qPrintable(row.join(',')));
    QCOMPARE(std::count_if(rows.begin(), rows.end(), [](const QStringList &r) { return r[3] == "1"; }), 1);
}

QTEST_MAIN(RecorderSimTest)
#include "RecorderSimTest.moc"
