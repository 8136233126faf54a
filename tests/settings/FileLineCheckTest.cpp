// The strict check of a configuration file's line: each token that does not say one
// value the module takes is named with its position.
#include "settings/ConfigFile.h"
#include "settings/FileLineCheck.h"

#include <gtest/gtest.h>

namespace {

using Kind = FileLineProblem::Kind;

QByteArray golden() { return ConfigFile().readLine(QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B")); }

QByteArray goldenWith(const QByteArray &from, const QByteArray &to)
{
    QByteArray line = golden();
    EXPECT_TRUE(line.contains(from));
    return line.replace(from, to);
}

TEST(FileLineCheck, AFileAsSavedHasNoProblem)
{
    EXPECT_TRUE(checkFileLine(golden()).empty());
    EXPECT_TRUE(changesOnReading(golden(), golden()).empty());
}

TEST(FileLineCheck, ValuesTheModuleDoesNotTakeAreNamedWithKeyAndPosition)
{
    struct Case {
        QByteArray from, to;
        QString key;
        QString detail;
    };
    const Case cases[] = {
        {"ATS14:255", "ATS14:999", QStringLiteral("S14"), QStringLiteral("999 is out of range 0..255")},
        {"ATS18:0", "ATS18:70000", QStringLiteral("S18"), QStringLiteral("70000 is out of range 0..255")},
        {"ATS1:50", "ATS1:2", QStringLiteral("S1"), QStringLiteral("2 is out of range 3..255")},
        {"AT&K0", "AT&K9", QStringLiteral("&K"), QStringLiteral("9 is not one of 0, 3, 4, 5")},
        {"ATC6", "ATC99", QStringLiteral("C"), QStringLiteral("99 is out of range 0..13")},
        {"AT&Z1=", "AT&Z1=1,2,3,4,5,6,7", QStringLiteral("&Z1"), QStringLiteral("has 7 numbers, at most 6 are taken")},
    };
    for (const Case &c : cases) {
        const QByteArray line = goldenWith(c.from, c.to);
        const std::vector<FileLineProblem> problems = checkFileLine(line);
        ASSERT_EQ(problems.size(), 1u) << c.to.constData();
        EXPECT_EQ(problems[0].kind, Kind::OutOfRange);
        EXPECT_EQ(problems[0].key, c.key);
        EXPECT_EQ(problems[0].detail, c.detail);
        EXPECT_EQ(problems[0].column, line.indexOf(c.to) + 1);
        EXPECT_EQ(problems[0].token, QString::fromLatin1(c.to));
    }
}

TEST(FileLineCheck, MalformedUnknownAndRepeatedTokens)
{
    const QByteArray line = goldenWith(" AT&K0 ", " AT&K0 ATAT&K4K0 ATS9:12 AT&K3 ATY1 +++ ");
    const std::vector<FileLineProblem> problems = checkFileLine(line);
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[0].kind, Kind::Malformed);
    EXPECT_EQ(problems[0].token, QStringLiteral("ATAT&K4K0"));
    EXPECT_EQ(problems[1].kind, Kind::UnknownKey);
    EXPECT_EQ(problems[1].key, QStringLiteral("S9"));
    EXPECT_EQ(problems[2].kind, Kind::Repeated);
    EXPECT_EQ(problems[2].key, QStringLiteral("&K"));
    EXPECT_EQ(problems[3].kind, Kind::UnknownKey);
    EXPECT_EQ(problems[4].kind, Kind::Malformed);
    EXPECT_EQ(problems[1].position, problems[0].position + 1);
    EXPECT_TRUE(problems[2].text().startsWith(QStringLiteral("token %1 (column ").arg(problems[2].position)));
}

TEST(FileLineCheck, ChangesOnReadingNameEveryValueChangedOrIgnored)
{
    const QByteArray line = goldenWith("ATS1:50", "ATS1:2");
    const QByteArray rewritten = goldenWith("ATS1:50", "ATS1:3").replace(" ATS21:1", "");
    const std::vector<FileLineProblem> changes = changesOnReading(line, rewritten);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].key, QStringLiteral("S1"));
    EXPECT_EQ(changes[0].detail, QStringLiteral("2 is read as 3"));
    EXPECT_EQ(changes[1].key, QStringLiteral("S21"));
    EXPECT_EQ(changes[1].detail, QStringLiteral("is ignored"));
}

}  // namespace
