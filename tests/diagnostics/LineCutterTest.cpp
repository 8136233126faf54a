// The test output line cutter and the report line fields.

#include "diagnostics/LineCutter.h"
#include "diagnostics/TestReport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Lines = std::vector<QByteArray>;

Lines cutPieces(LineCutter &cutter, const std::vector<QByteArray> &pieces)
{
    Lines lines;
    for (const QByteArray &p : pieces)
        cutter.feed(p, [&](const QByteArray &line) { lines.push_back(line); });
    return lines;
}

Lines cut(const std::vector<QByteArray> &pieces)
{
    LineCutter cutter;
    return cutPieces(cutter, pieces);
}

const QByteArray kStream = "0001 x 0000 0000 -070 0000 0000 0019.2\r\n"
                           "RSSI -071 dBm\r\n"
                           "OK\r\n"
                           "0002 x 0001 0000 -073 0001 0000 0019.2\r\n";
const Lines kStreamLines = {"0001 x 0000 0000 -070 0000 0000 0019.2", "RSSI -071 dBm", "OK",
                            "0002 x 0001 0000 -073 0001 0000 0019.2"};

} // namespace

TEST(TestLineCutter, WholeStreamGivesEveryLineWithoutLineEnds)
{
    EXPECT_EQ(cut({kStream}), kStreamLines);
}

TEST(TestLineCutter, OneByteAtATimeGivesTheSameLines)
{
    std::vector<QByteArray> bytes;
    for (char c : kStream)
        bytes.push_back(QByteArray(1, c));
    EXPECT_EQ(cut(bytes), kStreamLines);
}

TEST(TestLineCutter, RandomPiecesGiveTheSameLines)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 500; ++round) {
        std::vector<QByteArray> pieces;
        for (qsizetype pos = 0; pos < kStream.size();) {
            const qsizetype n = std::uniform_int_distribution<qsizetype>(1, 12)(random);
            pieces.push_back(kStream.mid(pos, n));
            pos += n;
        }
        ASSERT_EQ(cut(pieces), kStreamLines) << "round " << round;
    }
}

TEST(TestLineCutter, LastCharacterOfAPieceIsKept)
{
    // A report split anywhere loses nothing, also a piece's final character.
    EXPECT_EQ(cut({"0001 x 00", "02 0003\r"}), Lines{"0001 x 0002 0003"});
    EXPECT_EQ(cut({"a", "b", "c\r"}), Lines{"abc"});
}

TEST(TestLineCutter, CarriageReturnLineFeedSplitAcrossPieces)
{
    EXPECT_EQ(cut({"first\r", "\nsecond\r", "\n"}), (Lines{"first", "second"}));
    // Nothing of the pair reaches the next line's first field.
    LineCutter cutter;
    cutPieces(cutter, {"first\r", "\n", "12"});
    EXPECT_EQ(cutter.pendingLine(), "12");
}

TEST(TestLineCutter, LineFeedsNotAfterACarriageReturnBelongToTheLine)
{
    EXPECT_EQ(cut({"a\nb\r\n\ncd\r"}), (Lines{"a\nb", "\ncd"}));
}

TEST(TestLineCutter, EmptyLinesAndTheUnfinishedRest)
{
    LineCutter cutter;
    EXPECT_EQ(cutPieces(cutter, {"\r\r\n", "x"}), (Lines{"", ""}));
    EXPECT_EQ(cutter.pendingLine(), "x");
    cutter.clear();
    EXPECT_TRUE(cutter.pendingLine().isEmpty());
    EXPECT_EQ(cutPieces(cutter, {"\nabc\r"}), Lines{"\nabc"});  // no CR before it any more
}

TEST(TestLineCutter, OverlongNoiseIsDroppedUpToItsEnd)
{
    LineCutter cutter;
    const QByteArray noise(LineCutter::kMaxLine * 3, 'z');
    EXPECT_EQ(cutPieces(cutter, {noise, "tail\r\n", "0001 x 2\r\n"}), Lines{"0001 x 2"});
    EXPECT_LE(cutter.pendingLine().size(), LineCutter::kMaxLine);
    // A line of the largest size still passes.
    const QByteArray longest(LineCutter::kMaxLine, 'y');
    EXPECT_EQ(cut({longest + "\r"}), Lines{longest});
}

TEST(TestReport, RecognisesReportLines)
{
    EXPECT_TRUE(TestReport::isBerLine("0001 x 0000"));
    EXPECT_FALSE(TestReport::isBerLine("0001x 0000"));
    EXPECT_FALSE(TestReport::isBerLine("OK"));
    EXPECT_FALSE(TestReport::isBerLine("AT&T1"));
    EXPECT_TRUE(TestReport::isLevelLine("RSSI -070 dBm"));
    EXPECT_FALSE(TestReport::isLevelLine("RSSI -070 dbm"));
}

TEST(TestReport, MoreThanSevenFieldsShowsTheFirstSeven)
{
    const auto v = TestReport::berValues("0001 x 0000 0001 -070 0002 0003 0019.2 extra");
    const TestReport::BerValues expected{"0001", "x", "0000", "0001", "-070", "0002", "0003 kbit"};
    EXPECT_EQ(v, expected);
}

TEST(TestReport, ExactlySevenFieldsSeventhGetsTheUnit)
{
    const auto v = TestReport::berValues("12 x 3 4 5 6 7");
    EXPECT_EQ(v[0], "12");
    EXPECT_EQ(v[6], "7 kbit");
}

TEST(TestReport, ThreeFieldsEmptyTheOtherFour)
{
    const auto v = TestReport::berValues("0001 x 0003");
    const TestReport::BerValues expected{"0001", "x", "0003", "", "", "", ""};
    EXPECT_EQ(v, expected);
}

TEST(TestReport, SpacesSeparateFieldsAndNothingElse)
{
    // Leading and repeated spaces separate; a leading line feed or a tab is part of a field.
    auto v = TestReport::berValues("   7  x   9 ");
    EXPECT_EQ(v[0], "7");
    EXPECT_EQ(v[1], "x");
    EXPECT_EQ(v[2], "9");
    EXPECT_TRUE(v[3].isEmpty());
    v = TestReport::berValues("\n7 x\t9");
    EXPECT_EQ(v[0], "\n7");
    EXPECT_EQ(v[1], "x\t9");
    // Trailing spaces after six fields do not make an empty seventh " kbit".
    v = TestReport::berValues("1 x 2 3 4 5    ");
    EXPECT_EQ(v[5], "5");
    EXPECT_TRUE(v[6].isEmpty());
}
