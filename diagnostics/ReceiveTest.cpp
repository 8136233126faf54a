#include "diagnostics/ReceiveTest.h"

#include "comm/ReceivePump.h"
#include "diagnostics/DiagnosticMessages.h"
#include "diagnostics/TestReport.h"

namespace {
constexpr unsigned kCommandWait = 50;  // ms
} // namespace

ReceiveTest::ReceiveTest(int kind, std::unique_ptr<ModuleChannel> channel)
    : m_kind(kind), m_testCommand("AT&T" + QByteArray::number(kind)), m_channel(std::move(channel))
{
    if (!m_channel)
        return;
    m_portName = m_channel->line().lineSettings().port;
    m_open = m_channel->line().port() != nullptr;
    m_channel->setReceiveHandler([this](const QByteArray &text, quint16) { receiveText(text); });
    ownLine();
}

std::unique_ptr<ReceiveTest> ReceiveTest::open(int kind, const LineSettings &line, const ChannelFactory &make)
{
    return std::make_unique<ReceiveTest>(kind, openChannel(make, line));
}

ReceiveTest::~ReceiveTest()
{
    m_lifetime.request_stop();
    m_commands.shutDown();
    // A run's stop from now on has nothing left to do.
    m_onRunStop.reset();
    m_onOwnerGone.reset();
    // The pump reads through the channel and reports to the observer: gone first.
    m_pump.reset();
    m_channel.reset();
}

bool ReceiveTest::isReport(const QByteArray &line) const
{
    return m_kind == 3 ? TestReport::isLevelLine(line) : TestReport::isBerLine(line);
}

void ReceiveTest::start(std::stop_token stop)
{
    m_commands.post([this, stop = std::move(stop)] { runStart(stop); });
}

void ReceiveTest::ownLine()
{
    if (m_channel)
        m_channel->setStopToken(m_lifetime.get_token());
}

void ReceiveTest::setState(TestState state)
{
    m_state = state;
    notifyState();
}

void ReceiveTest::notifyState()
{
    if (m_observer)
        m_observer->stateChanged(m_state.load(), QDateTime::currentDateTime());
}

bool ReceiveTest::runCommands(const std::function<void()> &commands, StopReason reason)
{
    const auto fail = [this](const QString &message, FailureKind kind) {
        if (m_observer)
            m_observer->failed(message, kind);
        return false;
    };
    m_commandsOnLine = true;
    try {
        commands();
        return true;
    } catch (const ExchangeCancelled &) {
        throw;
    } catch (const ModuleReplyError &) {
        return fail(DiagnosticMessages::moduleNoResponse(), FailureKind::Module);
    } catch (const PortOpenError &e) {
        return fail(e.message(), FailureKind::Port);
    } catch (const Exception &e) {
        return fail(reason == StopReason::Close ? DiagnosticMessages::unexpectedCloseError() : e.message(),
                    FailureKind::Module);
    }
}

void ReceiveTest::runStart(std::stop_token stop)
{
    if (m_state != TestState::Idle || !m_channel) {
        notifyState();
        return;
    }
    // No callback of an earlier run may touch the source while it is replaced.
    m_onRunStop.reset();
    m_onOwnerGone.reset();
    m_run = std::stop_source();
    m_onOwnerGone.emplace(m_lifetime.get_token(), Callback{[this] { m_run.request_stop(); }});
    // A stop ends whatever the run has on the line at once; the stop's own commands
    // follow on the command thread.
    m_onRunStop.emplace(std::move(stop), Callback{[this] {
                            m_run.request_stop();
                            m_commands.post([this] { runStop(); });
                        }});
    m_channel->setStopToken(m_run.get_token());
    setState(TestState::Starting);
    bool testCommandOut = false;
    try {
        const bool started = runCommands([&] {
            ModuleChannel &c = *m_channel;
            // A line lost in an earlier run: the adapter may be back.
            if (!c.line().port()) {
                c.line().open();
                m_open = true;
            }
            c.wakeModem();
            c.command("AT&K0\r", ReplyRule::shortReply("\r", kCommandWait));  // no flow control during the test
            c.flushLine();
            testCommandOut = true;
            c.command(m_testCommand + '\r', ReplyRule::shortReply("\r", kCommandWait));
        }, StopReason::Stop);
        if (!started) {
            ownLine();
            setState(TestState::Idle);
            return;
        }
    } catch (const ExchangeCancelled &) {
        abandonStart(testCommandOut);
        return;
    }
    m_droppedSeen = m_cutter.droppedLines();
    m_commandsOnLine = false;
    m_lineLost = false;
    // Running before the pump reads: the clock starts with it, and every report
    // line comes after the state change.
    setState(TestState::Running);
    m_pump = std::make_unique<ReceivePump>(*m_channel, m_run.get_token(), [this] {
        m_lineLost = true;
        m_commands.post([this] {
            // A stop meanwhile has dealt with the line already.
            if (m_lineLost && m_pump)
                endOnLostLine();
        });
    });
}

void ReceiveTest::abandonStart(bool testCommandOut)
{
    if (m_lifetime.stop_requested())
        return;  // the owner is going away: nobody to tell
    ownLine();
    // The module may be in its test mode already: it is reset as a stop does.
    if (testCommandOut) {
        setState(TestState::Stopping);
        try {
            resetModule(m_stopReason.load());
        } catch (const ExchangeCancelled &) {
            return;
        }
    }
    setState(TestState::Idle);
}

void ReceiveTest::resetModule(StopReason reason)
{
    runCommands([this] {
        ModuleChannel &c = *m_channel;
        c.flushLine();
        c.wakeModem();
        c.command("ATZ\r", ReplyRule::shortReply("\r", kCommandWait));
    }, reason);
}

void ReceiveTest::runStop()
{
    if (m_state != TestState::Running) {
        notifyState();
        return;
    }
    if (m_lineLost) {
        endOnLostLine();  // the line went before the stop came
        return;
    }
    setState(TestState::Stopping);
    // Every line the pump read before it stopped is reported; what follows answers
    // the stop commands.
    stopPump();
    ownLine();
    try {
        resetModule(m_stopReason.load());
    } catch (const ExchangeCancelled &) {
        return;
    }
    // A stop returns to Idle whatever its commands did.
    setState(TestState::Idle);
}

void ReceiveTest::endOnLostLine()
{
    stopPump();
    ownLine();
    m_commandsOnLine = true;
    m_channel->line().close();
    m_open = false;
    if (m_observer)
        m_observer->lineLost(portUnavailableText(m_portName));
    setState(TestState::Idle);
}

void ReceiveTest::stopPump()
{
    if (m_pump) {
        m_pump->stop();
        m_pump.reset();
    }
}

void ReceiveTest::receiveText(const QByteArray &text)
{
    const bool reporting = !m_commandsOnLine.load() && m_observer;
    m_cutter.feed(text, [&](const QByteArray &line) {
        if (reporting)
            m_observer->reportLine(line, QDateTime::currentDateTime());
    });
    const qsizetype dropped = m_cutter.droppedLines() - m_droppedSeen;
    if (dropped > 0) {
        m_droppedSeen = m_cutter.droppedLines();
        if (reporting)
            m_observer->noiseDropped(dropped);
    }
}
