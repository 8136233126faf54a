// Two processes appending to one journal at the same moment lose nothing.
#include "journal/Journal.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

TEST(ConcurrentWriters, TwoProcessesWritingTwoHundredRecordsEachLoseNone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared/journal.sqlite"));
    constexpr int kEach = 200;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const char *tag : {"first", "second"}) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(CFG_JOURNAL_WRITER), {path, QString::number(kEach), QLatin1String(tag)});
        writers.push_back(std::move(p));
    }
    for (auto &p : writers) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);
    }
    const JournalEntries entries = Journal(path, Journal::Mode::Read).entries();
    ASSERT_EQ(entries.size(), std::size_t(2 * kEach));
    QSet<QString> seen;
    QSet<qint64> ids;
    for (const JournalEntry &e : entries) {
        seen.insert(e.port + QLatin1Char('/') + e.message);
        ids.insert(e.id);
    }
    EXPECT_EQ(seen.size(), 2 * kEach);   // every record of each writer, none twice
    EXPECT_EQ(ids.size(), 2 * kEach);
}
