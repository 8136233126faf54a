// The receive pump: reads until stopped (by its own call or a stop token), waits in
// a read that the stop ends, and stop() waits for the read in progress.

#include "../support/ScriptedLine.h"

#include "comm/ModuleChannel.h"
#include "comm/ReceivePump.h"

#include <QObject>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Collects what the pump delivers; lets the test wait for an amount of text.
struct Collector {
    std::mutex mutex;
    std::condition_variable arrived;
    QByteArray text;
    std::vector<std::thread::id> threads;

    void add(const QByteArray &piece)
    {
        {
            std::lock_guard lock(mutex);
            text += piece;
            threads.push_back(std::this_thread::get_id());
        }
        arrived.notify_all();
    }
    bool waitFor(qsizetype size)
    {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, 10s, [&] { return text.size() >= size; });
    }
};

class PumpTest : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedLine> state = std::make_shared<ScriptedLine>();
    std::unique_ptr<ModuleChannel> channel;
    Collector collector;

    void SetUp() override
    {
        state->idleRead = 2ms;
        channel = std::make_unique<ModuleChannel>(LineSettings{}, testPort(state));
        // These pin the silence-ended reading; the final-code reading has tests of its own.
        channel->line().setPace(ReplyPace::Silence);
        channel->setReceiveHandler([this](const QByteArray &text, quint16) { collector.add(text); });
    }
    void arrive(const QByteArray &bytes) { state->arrive(bytes); }
};

TEST_F(PumpTest, DeliversEverythingThatArrivesUntilStopped)
{
    ReceivePump pump(*channel);
    arrive("01 RSSI -87\r\n02 RSSI");
    ASSERT_TRUE(collector.waitFor(20));
    arrive(" -90\r\n");
    ASSERT_TRUE(collector.waitFor(26));
    pump.stop();
    EXPECT_FALSE(pump.isRunning());
    EXPECT_EQ(collector.text, "01 RSSI -87\r\n02 RSSI -90\r\n");
    EXPECT_EQ(channel->lastReply(), " -90\r\n");
    for (std::thread::id id : collector.threads)
        EXPECT_NE(id, std::this_thread::get_id());   // the listener runs on the pump thread

    const std::size_t reads = std::size_t(state->readCount());
    arrive("late");
    EXPECT_FALSE(state->waitUntil([&] { return state->readSizes.size() > reads; }, 20ms));
    EXPECT_EQ(collector.text.size(), 26);
}

TEST_F(PumpTest, StopWaitsForThePollInProgress)
{
    state->idleRead = 150ms;
    ReceivePump pump(*channel);
    ASSERT_TRUE(state->waitUntil([&] { return state->inRead > 0; }));
    pump.stop();
    EXPECT_EQ(state->inRead.load(), 0);
    const int reads = state->readCount();
    // The port is the caller's again: an exchange now is the only reader.
    state->idleRead = 0ms;
    state->reads.push_back({"\r\nOK\r\n", true});
    EXPECT_NO_THROW(channel->command("ATZ\r", ReplyRule::shortReply("OK", 50)));
    EXPECT_EQ(state->readCount(), reads + 1);
    pump.stop();   // a second stop is harmless
}

TEST_F(PumpTest, DestructorStopsThePump)
{
    {
        ReceivePump pump(*channel);
        arrive("x");
        ASSERT_TRUE(collector.waitFor(1));
    }
    const std::size_t reads = std::size_t(state->readCount());
    arrive("late");
    EXPECT_FALSE(state->waitUntil([&] { return state->readSizes.size() > reads; }, 10ms));
}

TEST_F(PumpTest, StopEndsAPumpBlockedInItsReadAtOnce)
{
    ReceivePump pump(*channel);
    ASSERT_TRUE(state->waitUntil([&] { return state->inRead > 0; }));
    // The pump waits for input with no total time-out instead of polling.
    {
        std::lock_guard lock(state->mutex);
        EXPECT_EQ(state->readTimeouts.back().readTotalConstant, 0u);
        EXPECT_EQ(state->readTimeouts.back().readTotalMultiplier, 0u);
    }
    const auto requested = std::chrono::steady_clock::now();
    pump.requestStop();
    EXPECT_TRUE(pump.stopRequested());
    pump.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - requested, 100ms);
    EXPECT_FALSE(pump.isRunning());
    EXPECT_EQ(state->readCount(), 1);
    // The exchanges' time-outs are back, and the interrupt is gone with the pump,
    // also after a second stop (the destructor's).
    pump.stop();
    state->reads.push_back({"\r\nOK\r\n", true});
    EXPECT_NO_THROW(channel->command("AT\r", ReplyRule::shortReply("OK", 50)));
    EXPECT_NE(state->readTimeouts.back().readTotalConstant, 0u);
}

TEST_F(PumpTest, ItsStopTokenEndsItsBlockedReadAndTheChannelGetsItsOwnTokenBack)
{
    std::stop_source owner;
    channel->setStopToken(owner.get_token());
    std::stop_source run;
    ReceivePump pump(*channel, run.get_token());
    ASSERT_TRUE(state->waitUntil([&] { return state->inRead > 0; }));
    run.request_stop();
    // The read under way ends: the pump's thread is done without a call of its own.
    ASSERT_TRUE(state->waitUntil([&] { return state->inRead == 0; }, 1s));
    EXPECT_TRUE(pump.stopRequested());
    pump.stop();
    EXPECT_FALSE(pump.isRunning());
    EXPECT_FALSE(channel->line().stopToken().stop_requested());
    state->reads.push_back({"\r\nOK\r\n", true});
    EXPECT_NO_THROW(channel->command("AT\r", ReplyRule::shortReply("OK", 50)));

    // The owner's stop ends a pump too, and stays with the line afterwards.
    ReceivePump second(*channel);
    ASSERT_TRUE(state->waitUntil([&] { return state->inRead > 0; }));
    owner.request_stop();
    ASSERT_TRUE(state->waitUntil([&] { return state->inRead == 0; }, 1s));
    second.stop();
    EXPECT_THROW(channel->command("AT\r", ReplyRule::shortReply("OK", 50)), ExchangeCancelled);
}

TEST_F(PumpTest, FailedReadEndsThePumpAndReportsTheLostLine)
{
    std::atomic<int> lost{0};
    state->reads = {{"01 RSSI", true}, {"", false}};
    std::mutex mutex;
    std::condition_variable ended;
    ReceivePump pump(*channel, {}, [&] {
        std::lock_guard lock(mutex);
        ++lost;
        ended.notify_all();
    });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(ended.wait_for(lock, 5s, [&] { return lost.load() > 0; }));
    }
    pump.stop();
    EXPECT_FALSE(pump.isRunning());
    EXPECT_EQ(state->readCount(), 2);   // no polling on a dead line
    EXPECT_EQ(lost.load(), 1);
    EXPECT_EQ(collector.text, "01 RSSI");
    EXPECT_TRUE(pump.failure().isEmpty());
}

TEST_F(PumpTest, FailureEndsThePumpAsALostLineWithItsMessage)
{
    channel->setReceiveHandler([](const QByteArray &, quint16) { throw SerialLineError("listener failed"); });
    std::atomic<int> lost{0};
    QString seen;
    std::mutex mutex;
    std::condition_variable ended;
    std::unique_ptr<ReceivePump> pump;
    pump = std::make_unique<ReceivePump>(*channel, std::stop_token{}, [&] {
        std::lock_guard lock(mutex);
        seen = pump->failure();
        ++lost;
        ended.notify_all();
    });
    arrive("x");
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(ended.wait_for(lock, 5s, [&] { return lost.load() > 0; }));
    }
    pump->stop();
    EXPECT_FALSE(pump->isRunning());
    EXPECT_EQ(lost.load(), 1);
    EXPECT_EQ(seen, "listener failed");
    EXPECT_EQ(pump->failure(), "listener failed");
}

} // namespace
