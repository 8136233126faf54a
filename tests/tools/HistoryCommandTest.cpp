// modemcfg history and report run as child processes on journals of the test's own;
// the suite HistoryCommandSim works a module of modem-sim in real time ("slow").
#include "support/ModemSim.h"
#include "support/ModemcfgRun.h"

#include "journal/Journal.h"

#include "settings/ConfigFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kGolden = QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B");

using Outcome = ModemcfgOutcome;

Outcome modemcfg(const QStringList &arguments) { return runModemcfg(arguments); }

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class HistoryCommand : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString journal = dir.filePath(QStringLiteral("journal.sqlite"));

    // COM1 written from the golden file (system 0), COM2 read later (system 42).
    void SetUp() override
    {
        Journal j(journal);
        JournalEntry write;
        write.time = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        write.port = QStringLiteral("COM1");
        write.product = QStringLiteral("740R-B Configuration");
        write.operation = QStringLiteral("write");
        write.identification = QStringLiteral("740R-B V1.90");
        write.outcome = QStringLiteral("done");
        write.lineAfter = ConfigFile().readLine(kGolden);
        write.systemAddress = 0;
        write.fileName = kGolden;
        write.fileSha256 = QString::fromLatin1(
            QCryptographicHash::hash(contents(kGolden), QCryptographicHash::Sha256).toHex());
        j.append(write);
        JournalEntry read = write;
        read.time = write.time.addDays(10);
        read.port = QStringLiteral("COM2");
        read.operation = QStringLiteral("read");
        read.systemAddress = 42;
        read.fileName.clear();
        read.fileSha256.clear();
        j.append(read);
    }
    QStringList withJournal(QStringList arguments) const
    {
        return QStringList{QStringLiteral("--journal"), journal} + arguments;
    }
};

TEST_F(HistoryCommand, ShowBringsBackTheFileThatWasWritten)
{
    const QString out = dir.filePath(QStringLiteral("back.40B"));
    const Outcome r = modemcfg(withJournal({QStringLiteral("history"), QStringLiteral("show"), QStringLiteral("1"),
                                            QStringLiteral("-o"), out}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(contents(out), contents(kGolden));
    EXPECT_TRUE(r.out.contains("Operation: write"));
    // The recorded digest is that of the file brought back.
    const QByteArray digest = QCryptographicHash::hash(contents(out), QCryptographicHash::Sha256).toHex();
    EXPECT_TRUE(r.out.contains("SHA-256: " + digest));
}

TEST_F(HistoryCommand, ListsFilteredRecordsAsTextJsonAndCsv)
{
    const Outcome all = modemcfg(withJournal({QStringLiteral("history")}));
    ASSERT_EQ(all.status, 0) << all.err.toStdString();
    EXPECT_EQ(all.out.count('\n'), 2);
    const Outcome system = modemcfg(withJournal({QStringLiteral("history"), QStringLiteral("--system"),
                                                 QStringLiteral("42"), QStringLiteral("--json")}));
    ASSERT_EQ(system.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(system.out.split('\n').front()).object();
    EXPECT_EQ(o[QStringLiteral("port")].toString(), QStringLiteral("COM2"));
    EXPECT_EQ(o[QStringLiteral("id")].toInt(), 2);
    EXPECT_EQ(system.out.trimmed().count('\n'), 0);
    const Outcome since = modemcfg(withJournal({QStringLiteral("history"), QStringLiteral("--since"),
                                                QStringLiteral("2026-03-05"), QStringLiteral("--csv")}));
    ASSERT_EQ(since.status, 0);
    const QList<QByteArray> rows = since.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith("id,time,"));
    EXPECT_TRUE(rows[1].startsWith("2,2026-03-11T08:00:00.000Z,"));
    const Outcome port = modemcfg(withJournal({QStringLiteral("history"), QStringLiteral("--port"), QStringLiteral("COM1")}));
    EXPECT_TRUE(port.out.startsWith("1  "));
    EXPECT_EQ(port.out.count('\n'), 1);
}

TEST_F(HistoryCommand, BadRequestsAreRefusedWithAMessage)
{
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("yesterday")},
          QStringList{QStringLiteral("history"), QStringLiteral("--system"), QStringLiteral("x")},
          QStringList{QStringLiteral("history"), QStringLiteral("--json"), QStringLiteral("--csv")},
          QStringList{QStringLiteral("history"), QStringLiteral("show")},
          QStringList{QStringLiteral("history"), QStringLiteral("show"), QStringLiteral("99")},
          QStringList{QStringLiteral("report")}}) {
        const Outcome r = modemcfg(withJournal(arguments));
        EXPECT_EQ(r.status, 1) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_EQ(modemcfg({QStringLiteral("history"), QStringLiteral("--journal")}).status, 1);
}

TEST_F(HistoryCommand, ADamagedJournalIsStatusSixNamingTheFile)
{
    const QString damaged = dir.filePath(QStringLiteral("damaged.sqlite"));
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2048, 'z'));
    f.close();
    const Outcome r = modemcfg({QStringLiteral("history"), QStringLiteral("--journal"), damaged});
    EXPECT_EQ(r.status, 6);
    EXPECT_TRUE(r.err.contains(damaged.toUtf8()));
}

TEST_F(HistoryCommand, ReportWritesOnePageOfTheModules)
{
    const QString page = dir.filePath(QStringLiteral("report.html"));
    const Outcome r = modemcfg({QStringLiteral("report"), QStringLiteral("-o"), page, QStringLiteral("--journal"), journal});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray html = contents(page);
    EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(html.contains("<h2>COM1</h2>"));
    EXPECT_TRUE(html.contains("<h2>COM2</h2>"));
    const Outcome later = modemcfg(withJournal({QStringLiteral("report"), QStringLiteral("--since"),
                                                QStringLiteral("2026-03-05"), QStringLiteral("-o"), page}));
    ASSERT_EQ(later.status, 0);
    EXPECT_FALSE(contents(page).contains("<h2>COM1</h2>"));
}

TEST_F(HistoryCommand, ReportOfAPlanNamesItsMembersAndDrawsTheNetwork)
{
    const QString plan = dir.filePath(QStringLiteral("plan.json"));
    QFile f(plan);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral(R"({"name": "Yard", "members": [
        {"name": "Base", "file": "%1", "port": "COM1"},
        {"name": "Spare", "file": "%1", "port": "COM3"}]})").arg(kGolden).toUtf8());
    f.close();
    const Outcome r = modemcfg(withJournal({QStringLiteral("report"), QStringLiteral("--network"), plan,
                                            QStringLiteral("-o"), QStringLiteral("-")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("<h2>Base</h2>"));
    EXPECT_TRUE(r.out.contains("<h2>Spare</h2>"));
    EXPECT_FALSE(r.out.contains("<h2>COM2</h2>"));  // not a member of the plan
    EXPECT_TRUE(r.out.contains("<svg"));
    const Outcome missing = modemcfg(withJournal({QStringLiteral("report"), QStringLiteral("--network"),
                                                  dir.filePath(QStringLiteral("none.json")), QStringLiteral("-o"),
                                                  QStringLiteral("-")}));
    EXPECT_EQ(missing.status, 6);
}

TEST_F(HistoryCommand, ADiagnosticsRunThatCouldNotBeginIsRecorded)
{
    const Outcome r = modemcfg(withJournal({QStringLiteral("rssi"), QStringLiteral("--port"),
                                            QStringLiteral("/dev/ttyNoSuchPort7"), QStringLiteral("--seconds"),
                                            QStringLiteral("1")}));
    EXPECT_EQ(r.status, 2);
    const JournalEntries entries = Journal(journal, Journal::Mode::Read).entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.back().operation, QStringLiteral("rssi"));
    EXPECT_EQ(entries.back().outcome, QStringLiteral("port unavailable"));
    EXPECT_EQ(entries.back().port, QStringLiteral("/dev/ttyNoSuchPort7"));
}

TEST(HistoryCommandSim, AnRssiRunKeepsItsFigures)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim sim({"--start", "command", "--report-interval", "50"});
    QTemporaryDir dir;
    const QString journal = dir.filePath(QStringLiteral("journal.sqlite"));
    const Outcome r = modemcfg({QStringLiteral("--journal"), journal, QStringLiteral("rssi"), QStringLiteral("--port"),
                                QString::fromStdString(sim.path()), QStringLiteral("--seconds"), QStringLiteral("1")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const JournalEntries entries = Journal(journal, Journal::Mode::Read).entries();
    ASSERT_EQ(entries.size(), 1u);
    const JournalEntry &e = entries.front();
    EXPECT_EQ(e.operation, QStringLiteral("rssi"));
    EXPECT_EQ(e.outcome, QStringLiteral("done"));
    const int reports = e.figures.value(QStringLiteral("reports")).toInt();
    EXPECT_GT(reports, 5);
    const QJsonObject level = e.figures.value(QStringLiteral("level")).toObject();
    EXPECT_EQ(level.value(QStringLiteral("count")).toInt(), reports);
    EXPECT_LT(level.value(QStringLiteral("maximum")).toDouble(), 0);   // dBm
    EXPECT_GT(e.seconds, 0.5);
}

TEST(HistoryCommandSim, ReadThenShowGivesTheSavedFileBack)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim sim;
    QTemporaryDir dir;
    const QString journal = dir.filePath(QStringLiteral("journal.sqlite"));
    const QString saved = dir.filePath(QStringLiteral("read.40B"));
    const QString back = dir.filePath(QStringLiteral("back.40B"));
    const QString port = QString::fromStdString(sim.path());
    ASSERT_EQ(modemcfg({QStringLiteral("--journal"), journal, QStringLiteral("read"), QStringLiteral("--port"), port,
                        QStringLiteral("-o"), saved})
                  .status,
              0);
    const Outcome r = modemcfg({QStringLiteral("--journal"), journal, QStringLiteral("history"), QStringLiteral("show"),
                                QStringLiteral("1"), QStringLiteral("-o"), back});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(contents(back), contents(saved));
    EXPECT_TRUE(r.out.contains("Identification: 740R-B V1.90"));
}

TEST(HistoryCommandSim, ALockedJournalLeavesTheOperationDoneAndSaysSo)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim sim;
    QTemporaryDir dir;
    const QString journal = dir.filePath(QStringLiteral("journal.sqlite"));
    { Journal j(journal); }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        db.setDatabaseName(journal);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        const Outcome r = modemcfg({QStringLiteral("--journal"), journal, QStringLiteral("read"), QStringLiteral("--port"),
                                    QString::fromStdString(sim.path())});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(": done,"));
        EXPECT_TRUE(r.err.contains("record was not kept")) << r.err.toStdString();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    EXPECT_TRUE(Journal(journal).entries().empty());
}

}  // namespace
