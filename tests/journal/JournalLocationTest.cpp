// Where the journal lives: this run's file over the remembered one over the user's
// data folder. Runs with configuration and data folders of its own (see CMakeLists.txt).
#include "journal/JournalLocation.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(JournalLocation, ARunsFileOutranksTheRememberedOneWhichOutranksTheDefault)
{
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(defaultJournalPath(), data + QStringLiteral("/cfg740rb/journal.sqlite"));
    rememberJournalPath(QString());
    EXPECT_EQ(journalPath(), defaultJournalPath());

    rememberJournalPath(QStringLiteral("/shared/team/journal.sqlite"));
    EXPECT_EQ(rememberedJournalPath(), QStringLiteral("/shared/team/journal.sqlite"));
    EXPECT_EQ(journalPath(), QStringLiteral("/shared/team/journal.sqlite"));

    // A relative name is taken from the working folder, as the console gives it.
    setJournalPathForRun(QStringLiteral("site.sqlite"));
    EXPECT_EQ(journalPath(), QDir::current().absoluteFilePath(QStringLiteral("site.sqlite")));
    setJournalPathForRun(QString());
    EXPECT_EQ(journalPath(), QStringLiteral("/shared/team/journal.sqlite"));

    rememberJournalPath(QString());
    EXPECT_EQ(journalPath(), defaultJournalPath());
}
