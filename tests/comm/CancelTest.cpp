// A stop request ends an exchange at every stage (write, CTS retry, short reply,
// listing, wake-up, flush) within 100 ms, where each stage would otherwise last
// seconds: the scripted line's time runs out only when interrupted.

#include "../support/ScriptedLine.h"

#include "comm/ModuleChannel.h"

#include <gtest/gtest.h>

#include <functional>
#include <stop_token>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kPromptly = 100ms;

class CancelTest : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedLine> state = std::make_shared<ScriptedLine>();
    std::unique_ptr<ModuleChannel> channel;
    std::stop_source stop;

    void SetUp() override
    {
        state->idleRead = 10s;       // a silent module
        state->pauseStretch = 100;   // the 50 ms CTS retry lasts 5 s, the flush settle 10 s
        channel = std::make_unique<ModuleChannel>(LineSettings{}, testPort(state));
        // These pin the silence-ended reading; the final-code reading has tests of its own.
        channel->line().setPace(ReplyPace::Silence);
        channel->setStopToken(stop.get_token());
    }

    // Runs `work` on a thread, asks it to stop once `reached` (called with the line's
    // mutex held) holds, and returns how long after the request the work ended.
    Clock::duration stopWhen(const std::function<bool()> &reached, const std::function<void()> &work)
    {
        Clock::time_point ended;
        std::thread worker([&] {
            work();
            ended = Clock::now();
        });
        EXPECT_TRUE(state->waitUntil(reached)) << "the stage was never reached";
        const Clock::time_point requested = Clock::now();
        stop.request_stop();
        worker.join();
        return ended - requested;
    }
    bool reading() const { return state->inRead.load() > 0; }
    std::vector<QByteArray> written()
    {
        std::lock_guard lock(state->mutex);
        return state->writes;
    }
};

TEST_F(CancelTest, DuringTheWrite)
{
    state->writeTime = 10s;
    ExchangeResult result;
    const auto latency = stopWhen([&] { return state->inWrite.load() > 0; },
                                  [&] { result = channel->exchange("AT&W\r", ReplyRule::shortReply("OK", 100)); });
    EXPECT_LT(latency, kPromptly);
    EXPECT_EQ(result.status, ExchangeStatus::Cancelled);
    EXPECT_EQ(state->readCount(), 0);
}

TEST_F(CancelTest, DuringTheCtsRetry)
{
    state->cts = {false};
    ExchangeResult result;
    const auto latency = stopWhen([&] { return state->inPause.load() > 0; },
                                  [&] { result = channel->exchange("ATZ\r", ReplyRule::shortReply("OK", 100)); });
    EXPECT_LT(latency, kPromptly);
    EXPECT_EQ(result.status, ExchangeStatus::Cancelled);
    EXPECT_TRUE(written().empty());
}

TEST_F(CancelTest, DuringAShortReply)
{
    std::vector<QByteArray> heard;
    channel->setReceiveHandler([&](const QByteArray &text, quint16) { heard.push_back(text); });
    ExchangeResult result;
    const auto latency = stopWhen([&] { return reading(); },
                                  [&] { result = channel->exchange("AT&W\r", ReplyRule::shortReply("OK", 100)); });
    EXPECT_LT(latency, kPromptly);
    EXPECT_EQ(result.status, ExchangeStatus::Cancelled);
    EXPECT_TRUE(heard.empty());   // a cancelled reply reaches nobody
    // A stopped line starts nothing more; the old calls raise.
    EXPECT_EQ(channel->exchange("ATZ\r", ReplyRule::shortReply("OK", 100)).status, ExchangeStatus::Cancelled);
    EXPECT_THROW(channel->command("ATZ\r", ReplyRule::shortReply("OK", 100)), ExchangeCancelled);
    EXPECT_EQ(written(), std::vector<QByteArray>{"AT&W\r"});
}

TEST_F(CancelTest, DuringAListing)
{
    state->reads = {{"&A=1 &B=2\r\n", true}};
    ExchangeResult result;
    const auto latency = stopWhen([&] { return reading() && state->readSizes.size() >= 2; },
                                  [&] { result = channel->exchange("AT&V\r", ReplyRule::listing(100)); });
    EXPECT_LT(latency, kPromptly);
    EXPECT_EQ(result.status, ExchangeStatus::Cancelled);
    EXPECT_EQ(result.reply, "&A=1 &B=2\r\n");
}

TEST_F(CancelTest, DuringTheWakeSequence)
{
    // No answer to the first carriage return, quickly; then silence after the escape.
    for (int i = 0; i < 20; ++i)
        state->reads.push_back({"", true});
    ExchangeStatus status = ExchangeStatus::Ok;
    const auto latency = stopWhen([&] { return reading() && state->writes.size() == 2; },
                                  [&] { status = channel->tryWake(); });
    EXPECT_LT(latency, kPromptly);
    EXPECT_EQ(status, ExchangeStatus::Cancelled);
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "+++"}));
    EXPECT_THROW(channel->wakeModem(), ExchangeCancelled);
}

TEST_F(CancelTest, DuringTheFlush)
{
    state->module = [](const QByteArray &) { return QByteArray("01 RSSI -87\r\n"); };
    bool cancelled = false;
    const auto latency = stopWhen([&] { return state->inPause.load() > 0; }, [&] {
        try {
            channel->flushLine();
        } catch (const ExchangeCancelled &) {
            cancelled = true;
        }
    });
    EXPECT_LT(latency, kPromptly);
    EXPECT_TRUE(cancelled);
}

TEST_F(CancelTest, ANewTokenClearsTheStop)
{
    stop.request_stop();
    EXPECT_EQ(channel->exchange("AT\r", ReplyRule::shortReply("OK", 100)).status, ExchangeStatus::Cancelled);
    std::stop_source next;
    channel->line().setStopToken(next.get_token());
    state->reads = {{"\r\nOK\r\n", true}};
    EXPECT_TRUE(channel->exchange("AT\r", ReplyRule::shortReply("OK", 100)).ok());
}

} // namespace
