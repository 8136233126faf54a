// The receive test without a window: its commands run off the caller's thread, and
// its observer hears the states and the module's report lines, not the replies.

#include "DiagTestSupport.h"

#include "diagnostics/ReceiveTest.h"

#include <QFile>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
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
    auto module = std::make_shared<ScriptedModule>();
    CollectingObserver observer;
    ReceiveTest test(1, scriptedChannels(module)(LineSettings{}));
    test.setObserver(&observer);

    // The module takes no command until released: a start that waited for it would
    // return only once the gate gave up.
    module->hold();
    test.start();
    EXPECT_FALSE(module->gateTimedOut);
    EXPECT_NE(test.state(), TestState::Running);
    module->release();
    ASSERT_TRUE(observer.waitFor(TestState::Running));

    module->arrive("0001 x 0000 0000 -070 0000 0000 0019.2\r\n");
    ASSERT_TRUE(observer.waitForLines(1));

    module->hold();
    test.stop();
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
