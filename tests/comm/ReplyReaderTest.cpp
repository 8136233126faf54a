// Replies read to their final result code: the reader's line splitting and judging,
// and the exchange over the in-memory port under its virtual clock.

#include "../support/ScriptedLine.h"

#include "comm/ReplyReader.h"
#include "comm/SerialLine.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const ReplyRule kCommand = ReplyRule::shortReply("OK", 100);

ReplyReader readAll(const QByteArray &command, std::initializer_list<QByteArray> pieces, int unanswered = 0,
                    const ReplyRule &rule = kCommand)
{
    ReplyReader reader(command, rule, unanswered);
    for (const QByteArray &p : pieces)
        reader.add(p);
    return reader;
}

TEST(ReplyReader, EndsAtTheFinalCodeWhateverThePieces)
{
    const QByteArray whole = "AT&W\r\r\nOK\r\n";
    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        ReplyReader reader("AT&W\r", kCommand, 0);
        const bool early = reader.add(whole.left(cut));
        // The final line counts once its line break has come, not before.
        EXPECT_EQ(early, cut >= whole.size() - 1) << cut;
        EXPECT_TRUE(reader.add(whole.mid(cut))) << cut;
        EXPECT_EQ(reader.status(), ExchangeStatus::Ok);
        // Its CR ends the final line; an LF still on the way is not waited for.
        EXPECT_TRUE(reader.reply().endsWith("OK\r") || reader.reply() == whole) << cut;
        EXPECT_TRUE(whole.startsWith(reader.reply())) << cut;
    }
}

TEST(ReplyReader, InformationLinesAreNoEnding)
{
    ReplyReader reader("ATI\r", kCommand, 0);
    EXPECT_FALSE(reader.add("ATI\r\r\n740R-B V1.90\r\n"));
    EXPECT_FALSE(reader.add("\r\nOKAY\r\n"));   // not a result code
    EXPECT_TRUE(reader.add("\r\nOK\r\n"));
    EXPECT_TRUE(reader.reply().contains("740R-B V1.90"));
}

TEST(ReplyReader, ListingWithPausesAndWithoutAFourthRouteIsWhole)
{
    const ReplyReader reader = readAll("AT&V\r", {"AT&V\r\r\nB0 C4 E1 \r\n", "S0:1 S1:50 \r\n", "", "&Z0=2 &Z1= &Z2= ",
                                                  "\r\n", "\r\nOK\r\n"});
    EXPECT_TRUE(reader.ended());
    EXPECT_TRUE(reader.reply().contains("&Z0=2 &Z1= &Z2= \r\n"));
    EXPECT_FALSE(reader.reply().contains("&Z3"));
}

TEST(ReplyReader, FinalCodes)
{
    struct Case {
        QByteArray reply;
        bool numeric;
        bool ends;
        ExchangeStatus status;
    } cases[] = {
        {"\r\nOK\r\n", true, true, ExchangeStatus::Ok},
        {"\r\nERROR\r\n", true, true, ExchangeStatus::Error},
        {"0\r", true, true, ExchangeStatus::Ok},
        {"4\r", true, true, ExchangeStatus::Error},
        {"0\r", false, false, ExchangeStatus::Timeout},
        {"\r\nNO CARRIER\r\n", true, true, ExchangeStatus::Error},
        {"\r\nCONNECT 9600\r\n", true, true, ExchangeStatus::Error},
        {"2\r", true, false, ExchangeStatus::Timeout},    // RING is no final code
        {"\r\n00\r\n", true, false, ExchangeStatus::Timeout},   // a test mode's answer
        {"\r\nNOERRORS\r\n", true, false, ExchangeStatus::Timeout},
        {"\r\nOK", true, false, ExchangeStatus::Timeout},  // its line not yet ended
    };
    for (const Case &c : cases) {
        ReplyRule rule = kCommand;
        rule.numericCodes = c.numeric;
        const ReplyReader reader = readAll("AT\r", {c.reply}, 0, rule);
        EXPECT_EQ(reader.ended(), c.ends) << c.reply.constData();
        EXPECT_EQ(reader.status(), c.status) << c.reply.constData();
    }
}

TEST(ReplyReader, TrailingNoiseAfterTheFinalCodeIsNotKept)
{
    ReplyReader reader("AT\r", kCommand, 0);
    EXPECT_TRUE(reader.add("AT\r\r\nOK\r\n\x7f\x01junk"));
    EXPECT_EQ(reader.reply(), "AT\r\r\nOK\r\n");
    EXPECT_TRUE(reader.add("more"));
    EXPECT_EQ(reader.reply(), "AT\r\r\nOK\r\n");
}

TEST(ReplyReader, WhatCameBeforeTheEchoBelongsToEarlierCommands)
{
    // A late "OK" of the previous command, then this command's echo and "ERROR".
    const ReplyReader late = readAll("ATB9\r", {"\r\nOK\r\nATB9\r", "\r\nERROR\r\n"}, 1);
    EXPECT_EQ(late.status(), ExchangeStatus::Error);
    EXPECT_EQ(late.setAside(), "\r\nOK\r\n");
    EXPECT_EQ(late.reply(), "ATB9\r\r\nERROR\r\n");
    EXPECT_EQ(late.unanswered(), 0);

    // Without an echo (E0) the count of unanswered commands ties the codes.
    const ReplyReader quiet = readAll("AT&W\r", {"\r\nOK\r\n", "\r\nERROR\r\n"}, 1);
    EXPECT_EQ(quiet.status(), ExchangeStatus::Error);
    EXPECT_EQ(quiet.setAside(), "\r\nOK\r\n");
    // Nothing outstanding: the first code is this command's.
    EXPECT_EQ(readAll("AT&W\r", {"\r\nOK\r\n", "\r\nERROR\r\n"}).status(), ExchangeStatus::Ok);
}

TEST(ReplyReader, LateEcho)
{
    ReplyReader reader("AT&W\r", kCommand, 0);
    EXPECT_FALSE(reader.add(""));
    EXPECT_FALSE(reader.add("AT"));
    EXPECT_FALSE(reader.add("&W"));
    EXPECT_FALSE(reader.add("\r"));
    EXPECT_TRUE(reader.add("0\r"));
    EXPECT_EQ(reader.status(), ExchangeStatus::Ok);
    EXPECT_EQ(reader.reply(), "AT&W\r0\r");
}

TEST(ReplyReader, QuietModeEndsAtTheEcho)
{
    const ReplyRule quiet = ReplyRule::quiet("OK", 100);
    ReplyReader reader("AT&W\r", quiet, 0);
    EXPECT_FALSE(reader.add("AT&"));
    EXPECT_TRUE(reader.add("W\r"));
    EXPECT_EQ(reader.status(), ExchangeStatus::Ok);
}

// The exchange itself, over the port double: each empty read is a read that ran
// to its time-out on the double's clock.
class FinalCodeExchange : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedLine> state = std::make_shared<ScriptedLine>();
    SerialLine line{testPort(state)};
    std::vector<QByteArray> heard;

    void SetUp() override
    {
        line.setReceiveHandler([this](const QByteArray &text, quint16) { heard.push_back(text); });
        ASSERT_TRUE(line.open());
    }
    // Each piece arrives its milliseconds after the previous one.
    void pieces(std::initializer_list<std::pair<QByteArray, int>> list)
    {
        for (const auto &[bytes, ms] : list)
            state->reads.push_back({bytes, true, std::chrono::milliseconds(ms)});
    }
    std::chrono::steady_clock::time_point now() const { return line.port()->now(); }
};

TEST_F(FinalCodeExchange, SlowRepliesInPiecesEndAtTheirCodeWithoutASilenceWait)
{
    pieces({{"A", 400}, {"T&V\r\r\nB0 C4 ", 300}, {"E1 \r\n&Z0=2 &Z1= \r\n", 900}, {"\r\nOK\r\n", 200},
            {"never read", 1}});
    const auto start = now();
    const ExchangeResult result = line.exchange("AT&V\r", ReplyRule::listing(100));
    EXPECT_EQ(now() - start, 1800ms);   // the answer's own time, nothing after it
    EXPECT_EQ(result.status, ExchangeStatus::Ok);
    EXPECT_EQ(result.reply, "AT&V\r\r\nB0 C4 E1 \r\n&Z0=2 &Z1= \r\n\r\nOK\r\n");
    EXPECT_EQ(state->reads.size(), 1u);
    EXPECT_EQ(heard, std::vector<QByteArray>{result.reply});
}

TEST_F(FinalCodeExchange, EndsAtTheDeadlineWhenNoCodeComes)
{
    const auto start = now();
    const ExchangeResult result = line.exchange("AT\r", ReplyRule::shortReply("OK", 100));
    EXPECT_EQ(result.status, ExchangeStatus::Timeout);
    const auto took = now() - start;
    EXPECT_GE(took, ReplyRule().deadline);
    EXPECT_LT(took, ReplyRule().deadline + 50ms);
}

TEST_F(FinalCodeExchange, ALateCodeOfATimedOutCommandIsSetAsideNextTime)
{
    // "AT&W" gets nothing in time; its "OK" comes before the next command's echo.
    EXPECT_EQ(line.exchange("AT&W\r", kCommand).status, ExchangeStatus::Timeout);
    state->module = [](const QByteArray &) { return QByteArray("\r\nOK\r\nATZ\r\r\nERROR\r\n"); };
    const ExchangeResult result = line.exchange("ATZ\r", kCommand);
    EXPECT_EQ(result.status, ExchangeStatus::Error);
    EXPECT_EQ(result.reply, "ATZ\r\r\nERROR\r\n");
    // Echo off: the count alone ties the next code to its command.
    state->module = nullptr;
    EXPECT_EQ(line.exchange("AT&W\r", kCommand).status, ExchangeStatus::Timeout);
    state->module = [](const QByteArray &) { return QByteArray("0\r4\r"); };
    EXPECT_EQ(line.exchange("AT\r", kCommand).status, ExchangeStatus::Error);
    state->module = [](const QByteArray &) { return QByteArray("0\r"); };
    EXPECT_EQ(line.exchange("AT\r", kCommand).status, ExchangeStatus::Ok);
}

TEST_F(FinalCodeExchange, AnUnansweredProbeOwesNothing)
{
    // A module in data mode leaves the probe unanswered; the escape's "OK" is the escape's.
    EXPECT_EQ(line.exchange("\r", ReplyRule::probe(1000ms)).status, ExchangeStatus::Timeout);
    pieces({{"\r\nOK\r\n", 1000}});
    EXPECT_EQ(line.exchange("+++", ReplyRule::escape(1000ms)).status, ExchangeStatus::Ok);
}

TEST_F(FinalCodeExchange, NumericCodeAndTrailingNoise)
{
    pieces({{"ATV0\r0\r\x01\x02noise", 5}, {"more noise", 1}});
    const ExchangeResult result = line.exchange("ATV0\r", kCommand);
    EXPECT_EQ(result.status, ExchangeStatus::Ok);
    EXPECT_EQ(result.reply, "ATV0\r0\r");
    EXPECT_EQ(state->reads.size(), 1u);
}

TEST_F(FinalCodeExchange, InputBeforeTheWriteIsDiscarded)
{
    state->input = "\r\nOK\r\n";   // left from before
    pieces({{"\r\nERROR\r\n", 10}});
    EXPECT_EQ(line.exchange("AT\r", kCommand).status, ExchangeStatus::Error);
}

TEST_F(FinalCodeExchange, ListingDeadlineGrowsWithItsBytesAtSlowRates)
{
    const auto at9600 = now();
    line.exchange("AT&V\r", ReplyRule::listing(100));
    const auto fast = now() - at9600;
    line.close();
    line.setLineSettings({.baudRate = 1200});
    line.open();
    const auto at1200 = now();
    line.exchange("AT&V\r", ReplyRule::listing(100));
    const auto slow = now() - at1200;
    EXPECT_GT(slow, fast + 2s);   // 320 bytes at 1200 bit/s take 2.7 s
}

} // namespace
