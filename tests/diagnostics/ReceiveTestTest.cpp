// The receive and transmit tests without a window: their commands run off the
// caller's thread, a stop ends a read under way, and the receive test's observer
// hears the states and the module's report lines, not the replies.

#include "DiagTestSupport.h"

#include "diagnostics/ReceiveTest.h"
#include "diagnostics/TransmitTest.h"

#include <QFile>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <vector>

namespace {

class CollectingObserver : public DiagnosticsObserver {
public:
    void stateChanged(TestState state, const QDateTime &) override
    {
        std::lock_guard lock(m_mutex);
        states.push_back(state);
        m_changed.notify_all();
    }
    void reportLine(const QByteArray &line, const QDateTime &) override
    {
        std::lock_guard lock(m_mutex);
        lines.push_back(line);
        m_changed.notify_all();
    }
    void failed(const QString &message, FailureKind) override
    {
        std::lock_guard lock(m_mutex);
        failures << message;
    }
    void lineLost(const QString &message) override { failed(message, FailureKind::Port); }

    // Waits up to 10 s for the test to report `state`.
    bool waitFor(TestState state)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] {
            return !states.empty() && states.back() == state;
        });
    }
    bool waitForLines(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return lines.size() >= count; });
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<TestState> states;
    std::vector<QByteArray> lines;
    QStringList failures;
};

} // namespace

TEST(ReceiveTest, StartAndStopLeaveTheLineToTheTestsOwnThreads)
{
    auto module = scriptedModule();
    CollectingObserver observer;
    ReceiveTest test(1, scriptedChannels(module)(LineSettings{}));
    test.setObserver(&observer);

    // The module takes no command until released: a start that waited for it would
    // return only once the gate gave up.
    module->hold();
    std::stop_source run;
    test.start(run.get_token());
    EXPECT_FALSE(module->gateTimedOut);
    EXPECT_NE(test.state(), TestState::Running);
    module->release();
    ASSERT_TRUE(observer.waitFor(TestState::Running));

    module->arrive("0001 x 0000 0000 -070 0000 0000 0019.2\r\n");
    ASSERT_TRUE(observer.waitForLines(1));

    module->hold();
    run.request_stop();
    EXPECT_FALSE(module->gateTimedOut);
    module->release();
    ASSERT_TRUE(observer.waitFor(TestState::Idle));
    EXPECT_FALSE(module->gateTimedOut);

    std::lock_guard lock(observer.m_mutex);
    EXPECT_EQ(observer.states, (std::vector<TestState>{TestState::Starting, TestState::Running, TestState::Stopping,
                                                       TestState::Idle}));
    // The answers to "AT&T1" and "ATZ" ("01", "OK") are not reports.
    EXPECT_EQ(observer.lines, std::vector<QByteArray>{"0001 x 0000 0000 -070 0000 0000 0019.2"});
    EXPECT_TRUE(observer.failures.isEmpty());
    EXPECT_EQ(module->countWrites("ATZ\r"), 1);
    EXPECT_TRUE(test.isOpen());
}

TEST(ReceiveTest, AStopWhileAReadOfTheStartWaitsEndsItAtOnce)
{
    // A silent module whose reads each last 10 s unless the port is woken.
    auto module = scriptedModule();
    module->answers = false;
    module->idleRead = std::chrono::seconds(10);
    CollectingObserver observer;
    ReceiveTest test(1, scriptedChannels(module)(LineSettings{}));
    test.setObserver(&observer);
    std::stop_source run;
    test.start(run.get_token());
    ASSERT_TRUE(module->waitUntil([&] { return module->inRead > 0; }));
    const auto asked = std::chrono::steady_clock::now();
    run.request_stop();
    ASSERT_TRUE(observer.waitFor(TestState::Idle));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
    // Given up before the test command: nothing to reset, nothing to report.
    EXPECT_EQ(module->countWrites("AT&T1\r"), 0);
    EXPECT_EQ(module->countWrites("ATZ\r"), 0);
    std::lock_guard lock(observer.m_mutex);
    EXPECT_TRUE(observer.failures.isEmpty());
}

TEST(TransmitTest, GoingAwayEndsTheReadOfACommandAtOnce)
{
    auto module = scriptedModule();
    module->answers = false;
    module->idleRead = std::chrono::seconds(10);
    auto test = std::make_unique<TransmitTest>(QStringLiteral("TR-740RB"), scriptedChannels(module));
    test->start(LineSettings{});
    ASSERT_TRUE(module->waitUntil([&] { return module->inRead > 0; }));
    const auto asked = std::chrono::steady_clock::now();
    test.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
    EXPECT_EQ(module->openPorts.load(), 0);
}

TEST(ReceiveTest, CoreNeedsNoGuiLibraries)
{
    // What this executable links of Qt is what the diagnostics core needs: a console
    // program without a display must be able to run the tests.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    EXPECT_TRUE(mapped.contains("libQt6Core"));
    for (const char *library : {"libQt6Gui", "libQt6Widgets", "libQt6Charts"})
        EXPECT_FALSE(mapped.contains(library)) << library;
}
