#include "diagnostics/TransmitTest.h"

#include "diagnostics/DiagnosticMessages.h"

namespace {
constexpr unsigned kCommandWait = 100;  // ms
} // namespace

TransmitTest::TransmitTest(const QString &modelName, ChannelFactory makeChannel)
    : m_modelName(modelName), m_makeChannel(std::move(makeChannel))
{
}

TransmitTest::~TransmitTest()
{
    m_lifetime.request_stop();
    m_commands.shutDown();
}

void TransmitTest::toggle(const LineSettings &line)
{
    // Decided when the command runs: an earlier toggle may still be queued.
    m_commands.post([this, line] { run(!m_running.load(), line); });
}

void TransmitTest::start(const LineSettings &line)
{
    m_commands.post([this, line] { run(true, line); });
}

void TransmitTest::stop(const LineSettings &line)
{
    m_commands.post([this, line] { run(false, line); });
}

void TransmitTest::setState(TestState state)
{
    m_state = state;
    if (m_observer)
        m_observer->stateChanged(state, QDateTime::currentDateTime());
}

void TransmitTest::run(bool starting, const LineSettings &line)
{
    const TestState settled = m_running ? TestState::Running : TestState::Idle;
    if (starting == m_running.load()) {
        setState(settled);
        return;
    }
    setState(starting ? TestState::Starting : TestState::Stopping);
    const auto fail = [&](const QString &message, FailureKind kind) {
        if (m_observer)
            m_observer->failed(message, kind);
        setState(settled);  // a failure leaves the test as it was
    };

    std::unique_ptr<ModuleChannel> channel;
    try {
        channel = openChannel(m_makeChannel, line);
    } catch (const Exception &e) {
        return fail(e.message(), FailureKind::Port);
    }
    channel->setReceiveHandler(m_replies);
    channel->setStopToken(m_lifetime.get_token());
    try {
        channel->wakeModem();
        if (starting) {
            channel->command("AT&K0\r", ReplyRule::shortReply("OK", kCommandWait));
            channel->flushLine();
            channel->command("AT&T0\r", ReplyRule::shortReply("00", kCommandWait));
        } else {
            channel->command("ATZ\r", ReplyRule::shortReply("\r", kCommandWait));
        }
    } catch (const ExchangeCancelled &) {
        return;  // the owner is going away: nobody to tell
    } catch (const ModuleReplyError &) {
        channel.reset();
        return fail(DiagnosticMessages::txNoResponse(m_modelName), FailureKind::Module);
    } catch (const SerialLineError &) {
        channel.reset();
        return fail(DiagnosticMessages::txNoCts(m_modelName), FailureKind::Module);
    } catch (const Exception &e) {
        channel.reset();
        return fail(e.message(), FailureKind::Module);
    }
    // The port is closed before anyone hears of it.
    channel.reset();
    m_running = starting;
    setState(starting ? TestState::Running : TestState::Idle);
}
