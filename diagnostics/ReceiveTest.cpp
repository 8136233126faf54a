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
    m_channel->line().setCancelCheck([this] { return m_cancel.load() || m_abandonStart.load(); });
}

std::unique_ptr<ReceiveTest> ReceiveTest::open(int kind, const LineSettings &line, const ChannelFactory &make)
{
    return std::make_unique<ReceiveTest>(kind, openChannel(make, line));
}

ReceiveTest::~ReceiveTest()
{
    m_cancel = true;
    m_commands.shutDown();
    // The pump reads through the channel and reports to the observer: gone first.
    m_pump.reset();
    m_channel.reset();
}

bool ReceiveTest::isReport(const QByteArray &line) const
{
    return m_kind == 3 ? TestReport::isLevelLine(line) : TestReport::isBerLine(line);
}

void ReceiveTest::start()
{
    m_commands.post([this] { runStart(); });
}

void ReceiveTest::stop(StopReason reason)
{
    // A start still on the line gives up after its current read.
    if (m_state == TestState::Starting) {
        m_abandonReason = reason;
        m_abandonStart = true;
    }
    m_commands.post([this, reason] { runStop(reason); });
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

void ReceiveTest::runStart()
{
    if (m_state != TestState::Idle || !m_channel) {
        notifyState();
        return;
    }
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
    m_pump = std::make_unique<ReceivePump>(*m_channel, [this] {
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
    if (m_cancel)
        return;  // the owner is going away: nobody to tell
    m_abandonStart = false;
    // The module may be in its test mode already: it is reset as a stop does.
    if (testCommandOut) {
        setState(TestState::Stopping);
        try {
            resetModule(m_abandonReason.load());
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

void ReceiveTest::runStop(StopReason reason)
{
    m_abandonStart = false;  // the start has ended one way or the other
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
    try {
        resetModule(reason);
    } catch (const ExchangeCancelled &) {
        return;
    }
    // A stop returns to Idle whatever its commands did.
    setState(TestState::Idle);
}

void ReceiveTest::endOnLostLine()
{
    stopPump();
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
