// The journal's database: records kept and read back, the first schema brought
// forward, records that cannot change, and journals that cannot take a record.
#include "JournalFixture.h"

#include "journal/Journal.h"
#include "journal/JournalRecorder.h"
#include "journal/JournalSchema.h"

#include "operations/ModuleOperations.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QDateTime kTime(QDate(2026, 5, 4), QTime(10, 12, 30, 250), Qt::UTC);

// A connection of the test's own, as another program would hold one.
class RawConnection {
public:
    explicit RawConnection(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
    }
    ~RawConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString &statement, QString *error = nullptr)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        const bool ok = q.exec(statement);
        if (error)
            *error = q.lastError().databaseText();
        return ok;
    }

private:
    QString m_name = QStringLiteral("test-raw");
};

class JournalTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("journal.sqlite")); }
};

TEST_F(JournalTest, KeepsEveryFieldOfARecord)
{
    JournalEntry e = sampleEntry(QStringLiteral("verify"), QStringLiteral("COM2"), kTime, QStringLiteral("differences"));
    e.device = QStringLiteral("/dev/serial/by-id/usb-FTDI_A1");
    e.lineAfter = goldenLine();
    e.fileName = QStringLiteral("/site/a.40B");
    e.fileSha256 = QStringLiteral("ab12");
    e.message = QStringLiteral("why");
    e.compared = true;
    e.differences = QJsonArray{QJsonObject{{QStringLiteral("key"), QStringLiteral("S14")}}};
    e.figures = QJsonObject{{QStringLiteral("reports"), 3}};
    e.systemAddress = 7;
    e.unitAddress = 12;
    Journal journal(path());
    const qint64 id = journal.append(e);
    const std::optional<JournalEntry> back = journal.entry(id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->time, kTime);
    EXPECT_EQ(back->device, e.device);
    EXPECT_EQ(back->lineAfter, e.lineAfter);
    EXPECT_TRUE(back->lineBefore.isEmpty());   // nothing recorded before for this device
    EXPECT_EQ(back->fileSha256, e.fileSha256);
    EXPECT_EQ(back->outcome, QStringLiteral("differences"));
    EXPECT_TRUE(back->compared);
    EXPECT_EQ(back->differences, e.differences);
    EXPECT_EQ(back->figures, e.figures);
    EXPECT_EQ(back->systemAddress, 7);
    EXPECT_EQ(back->unitAddress, 12);
    EXPECT_DOUBLE_EQ(back->seconds, 3.5);
    EXPECT_EQ(journal.schemaVersion(), Journal::kSchemaVersion);
}

TEST_F(JournalTest, ALineBeforeIsTheLastOneRecordedForTheDevice)
{
    Journal journal(path());
    JournalEntry read = sampleEntry(QStringLiteral("read"), QStringLiteral("COM1"), kTime);
    read.lineAfter = "first";
    journal.append(read);
    JournalEntry other = sampleEntry(QStringLiteral("read"), QStringLiteral("COM2"), kTime);
    other.lineAfter = "other device";
    journal.append(other);
    JournalEntry failed = sampleEntry(QStringLiteral("read"), QStringLiteral("COM1"), kTime, QStringLiteral("no response"));
    journal.append(failed);
    JournalEntry write = sampleEntry(QStringLiteral("write"), QStringLiteral("COM1"), kTime);
    write.lineAfter = "second";
    const qint64 id = journal.append(write);
    EXPECT_EQ(journal.entry(id)->lineBefore, QByteArray("first"));
    const qint64 rssi = journal.append(sampleEntry(QStringLiteral("rssi"), QStringLiteral("COM1"), kTime));
    EXPECT_TRUE(journal.entry(rssi)->lineBefore.isEmpty());
}

TEST_F(JournalTest, FiltersByPortAddressesAndTime)
{
    Journal journal(path());
    JournalEntry a = sampleEntry(QStringLiteral("read"), QStringLiteral("COM1"), kTime);
    a.systemAddress = 5;
    a.unitAddress = 1;
    JournalEntry b = sampleEntry(QStringLiteral("read"), QStringLiteral("COM2"), kTime.addDays(2));
    b.device = QStringLiteral("/dev/serial/by-id/usb-B");
    b.systemAddress = 5;
    b.unitAddress = 2;
    JournalEntry c = sampleEntry(QStringLiteral("rssi"), QStringLiteral("COM3"), kTime.addDays(4));
    for (const JournalEntry &e : {a, b, c})
        journal.append(e);
    const auto ports = [&](const JournalFilter &f) {
        QStringList list;
        for (const JournalEntry &e : journal.entries(f))
            list << e.port;
        return list;
    };
    EXPECT_EQ(ports({}), (QStringList{"COM1", "COM2", "COM3"}));
    EXPECT_EQ(ports({QStringLiteral("/dev/serial/by-id/usb-B"), {}, {}, {}, {}}), QStringList{"COM2"});
    EXPECT_EQ(ports({{}, 5, {}, {}, {}}), (QStringList{"COM1", "COM2"}));
    EXPECT_EQ(ports({{}, 5, 2, {}, {}}), QStringList{"COM2"});
    EXPECT_EQ(ports({{}, {}, {}, kTime.addDays(1), {}}), (QStringList{"COM2", "COM3"}));
    EXPECT_EQ(ports({{}, {}, {}, {}, QStringLiteral("rssi")}), QStringList{"COM3"});
}

TEST_F(JournalTest, RecordsCannotBeChangedOrRemoved)
{
    {
        Journal journal(path());
        journal.append(sampleEntry(QStringLiteral("read"), QStringLiteral("COM1"), kTime));
    }
    RawConnection raw(path());
    QString error;
    EXPECT_FALSE(raw.exec(QStringLiteral("UPDATE records SET outcome = 'done'"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("only appended"))) << error.toStdString();
    EXPECT_FALSE(raw.exec(QStringLiteral("DELETE FROM records")));
}

TEST_F(JournalTest, AFirstSchemaJournalIsBroughtForwardWithItsRecords)
{
    {
        RawConnection raw(path());
        for (const QString &statement : JournalSchema::firstLayout())
            ASSERT_TRUE(raw.exec(statement));
        // The golden line with system address 9.
        QByteArray line = goldenLine();
        ASSERT_TRUE(raw.exec(QStringLiteral(
            "INSERT INTO records (time, host, user, product, port, operation, identification, firmware, line_after, "
            "outcome, differences, seconds) VALUES ('2025-01-02T03:04:05.000Z', 'old', 'someone', "
            "'740R-B Configuration', 'COM4', 'verify', '740R-B V1.80', '1.80', '%1', 'done', '[]', 2.5)")
                                .arg(QString::fromLatin1(line.replace("AT&S0", "AT&S9")))));
    }
    Journal journal(path());
    EXPECT_EQ(journal.schemaVersion(), 2);
    const JournalEntries entries = journal.entries();
    ASSERT_EQ(entries.size(), 1u);
    const JournalEntry &e = entries.front();
    EXPECT_EQ(e.port, QStringLiteral("COM4"));
    EXPECT_EQ(e.device, QStringLiteral("COM4"));
    EXPECT_EQ(e.firmware, QStringLiteral("1.80"));
    EXPECT_TRUE(e.compared);
    EXPECT_EQ(e.systemAddress, 9);
    EXPECT_EQ(e.time, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5), Qt::UTC));
    // New records go on after the old ones, and the old ones are now kept as new ones are.
    const qint64 id = journal.append(sampleEntry(QStringLiteral("read"), QStringLiteral("COM4"), kTime));
    EXPECT_EQ(id, 2);
    EXPECT_EQ(journal.entry(id)->lineBefore, e.lineAfter);
    RawConnection raw(path());
    EXPECT_FALSE(raw.exec(QStringLiteral("DELETE FROM records")));
}

TEST_F(JournalTest, ANewerSchemaIsLeftAlone)
{
    {
        Journal journal(path());
    }
    {
        RawConnection raw(path());
        ASSERT_TRUE(raw.exec(QStringLiteral("UPDATE schema_version SET version = 9")));
    }
    try {
        Journal journal(path());
        FAIL() << "opened";
    } catch (const JournalError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("newer version"))) << e.message().toStdString();
    }
}

TEST_F(JournalTest, ReadingAMissingJournalFindsNothingAndCreatesNothing)
{
    const Journal journal(path(), Journal::Mode::Read);
    EXPECT_TRUE(journal.entries().empty());
    EXPECT_FALSE(QFile::exists(path()));
}

// What the window and the console rely on: keeping a record never throws, and the
// notice says the record was not kept and why.
TEST_F(JournalTest, ADamagedJournalGivesANoticeInsteadOfARecord)
{
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    JournalRecorder record(QStringLiteral("read"), ProductVariant{}, QStringLiteral("COM1"));
    const std::optional<QString> notice = record.keep(path());
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->contains(QStringLiteral("record was not kept"))) << notice->toStdString();
    EXPECT_TRUE(notice->contains(path()));
}

TEST_F(JournalTest, AnUnwritableJournalGivesANotice)
{
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // Its folder would have to be a plain file.
    JournalRecorder record(QStringLiteral("write"), ProductVariant{}, QStringLiteral("COM1"));
    const std::optional<QString> notice = record.keep(dir.filePath(QStringLiteral("file/journal.sqlite")));
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->contains(QStringLiteral("record was not kept")));
}

TEST_F(JournalTest, ALockedJournalGivesANoticeAfterTheBusyTimeOut)
{
    {
        Journal journal(path());
    }
    RawConnection holder(path());
    ASSERT_TRUE(holder.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    JournalRecorder record(QStringLiteral("write"), ProductVariant{}, QStringLiteral("COM1"));
    const std::optional<QString> notice = record.keep(path(), std::chrono::milliseconds(200));
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->contains(QStringLiteral("record was not kept")));
    EXPECT_TRUE(notice->contains(QStringLiteral("locked"))) << notice->toStdString();
    ASSERT_TRUE(holder.exec(QStringLiteral("COMMIT")));
    EXPECT_FALSE(record.keep(path()));   // once free, the same record goes in
    EXPECT_EQ(Journal(path()).entries().size(), 1u);
}

TEST_F(JournalTest, ARecorderTakesAnOperationsResult)
{
    OperationResult result;
    result.outcome = OperationResult::Outcome::NoResponse;
    result.error = QStringLiteral("No answer.");
    result.identification = QStringLiteral("KMA 410U V2.05");
    JournalRecorder record(QStringLiteral("read"), *productVariantOf(QStringLiteral("740R-B Configuration")),
                           QStringLiteral("COM1"));
    record.takeResult(result);
    record.takeCommands(buildCommandList(*settingsOfLine(goldenLine(), QStringLiteral("740R-B Configuration"))));
    ASSERT_FALSE(record.keep(path()));
    const JournalEntry e = Journal(path()).entries().front();
    EXPECT_EQ(e.outcome, QStringLiteral("no response"));
    EXPECT_EQ(e.message, result.error);
    EXPECT_EQ(e.firmware, QStringLiteral("2.05"));
    EXPECT_EQ(e.lineAfter, goldenLine());
    EXPECT_EQ(e.systemAddress, 0);
    EXPECT_FALSE(e.user.isEmpty());
    EXPECT_TRUE(e.time.isValid());
}

}  // namespace
