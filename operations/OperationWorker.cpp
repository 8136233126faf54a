#include "operations/OperationWorker.h"

#include "comm/ModuleChannel.h"
#include "operations/GuiCall.h"
#include "operations/OperationHost.h"
#include "operations/ProgressReporter.h"
#include "operations/ReadCompletion.h"
#include "settings/MessageSink.h"
#include "settings/SerialParams.h"
#include "settings/SettingsModel.h"

namespace {
// The wake sequence counts "0\r" anywhere as the numeric "OK".
bool answered(const QByteArray &reply) { return reply.contains("OK") || reply.contains("0\r"); }
}  // namespace

OperationWorker::OperationWorker(OperationHost &host, ProgressReporter &progress, QObject *guiContext,
                                 OperationKind kind)
    : m_host(host),
      m_progress(progress),
      m_guiContext(guiContext),
      m_kind(kind),
      m_commands(host.commandList()),
      m_escapeCode(host.model().get(Field::EscapeCharacterCode)),
      m_responseCodesOff(host.model().settings().flag(Field::ResponseCodesOff))
{
}

OperationWorker::~OperationWorker() = default;

void OperationWorker::run() { execute(); }

void OperationWorker::execute()
{
    m_nonStandardRate = false;
    switch (m_kind) {
    case OperationKind::Configure: runFramed(&OperationWorker::runConfigure); break;
    case OperationKind::Read: runFramed(&OperationWorker::runRead); break;
    case OperationKind::RestoreDefaults: runFramed(&OperationWorker::runRestore); break;
    default: break;
    }
    // Last hand-off: nothing of this thread is touched by the GUI before it. The
    // dialog closes once the thread has finished.
    onGui([this] { m_host.setLogViaWorker(false); });
}

void OperationWorker::runFramed(Body body)
{
    QString error;
    try {
        (this->*body)();
    } catch (const ExchangeCancelled &) {
        // the user asked for it: nothing to report
    } catch (const Exception &e) {
        error = e.message();
    } catch (const std::exception &e) {
        error = QString::fromLocal8Bit(e.what());
    }
    m_channel.reset();
    if (!error.isNull())
        reportError(error);
}

void OperationWorker::openChannel(const PortSettings &settings)
{
    m_channel.reset();
    m_channel = std::make_unique<ModuleChannel>(settings);
    // A cancel ends the exchange under way after its current read.
    m_channel->line().setCancelCheck([this] { return cancelled(); });
    OperationHost *host = &m_host;
    m_channel->setReceiveHandler(
        [host](const QByteArray &text, quint16 length) { host->receiveData(text, length); });
}

void OperationWorker::openChannelFromGui()
{
    PortSettings settings;
    onGui([&] { settings = m_host.portSettings(); });
    openChannel(settings);
}

void OperationWorker::runConfigure()
{
    onGui([this] { m_startPort = m_host.portSettings(); });
    m_moduleLine = m_startPort;
    openChannel(m_startPort);
    try {
        checkSerialParameters();
        if (!cancelled())
            configureModule();
    } catch (const ExchangeCancelled &) {
    }
    if (cancelled() && m_configSent && !m_configDone)
        resetAfterCancel();
}

void OperationWorker::resetAfterCancel()
{
    try {
        m_channel.reset();
        openChannel(m_moduleLine);
        m_channel->line().setCancelCheck({});
        // Nothing was stored: the module goes back to its stored profile.
        m_channel->send("ATZ\r", "\r", 100);
    } catch (const Exception &) {
        // a module or port that is gone cannot be reset; the cancel stays silent
    }
    m_channel.reset();
    onGui([this] {
        m_host.portSettings() = m_startPort;
        m_host.showPortSettings();
    });
}

void OperationWorker::pauseUnlessCancelled(int ms)
{
    constexpr int kSlice = 20;
    for (int waited = 0; waited < ms && !cancelled(); waited += kSlice)
        QThread::msleep(kSlice);
}

void OperationWorker::runRead()
{
    openChannelFromGui();
    readModule();
}

void OperationWorker::runRestore()
{
    openChannelFromGui();
    try {
        restoreModule();
    } catch (const ExchangeCancelled &) {
        // the PC side follows the module's reset all the same
    }
    m_channel.reset();
    // The module talks 9600 8-N-1 after its factory reset; the PC follows on the same port.
    onGui([this] {
        resetPortSettings(m_host.portSettings(), false);
        m_host.showPortSettings();
    });
    openChannelFromGui();
    readModule();
}

void OperationWorker::wakeModule()
{
    reportStatus(QStringLiteral("Waking Modem..."));
    try {
        m_channel->sendCommand("\r", "OK", 50);
        return;
    } catch (const Exception &) {
        // not in command mode (or no CTS yet): escape sequence
    }
    // Send raises when its write fails, so each judgement below sees the reply to
    // its own attempt, never one left from an earlier exchange.
    if (cancelled())
        return;
    m_channel->send(escapeSequence(), "OK", 50);
    if (answered(m_channel->lastReply()))
        return;
    if (cancelled())
        return;
    m_channel->send(escapeSequence(), "OK", 50);
    if (!answered(m_channel->lastReply()) && cancelled())
        return;
    m_channel->send("\r", "OK", 10);
    if (cancelled())
        return;
    if (!answered(m_channel->lastReply()))
        throw ModuleReplyError::cannotWake();
}

// Read and restore share their opening: a bar of 20 steps, a quarter done.
void OperationWorker::beginShortOperation(const QString &status)
{
    reportStatus(status);
    reportProgress(0);
    reportProgressMax(20);
    reportProgress(5);
    repaintProgress();
}

void OperationWorker::readModule()
{
    beginShortOperation(QStringLiteral("Reading Module..."));
    if (cancelled())
        return;
    reportProgress(10);
    try {
        wakeModule();
    } catch (const Exception &) {
        // the listing request below fails with its own error if the module sleeps
    }
    reportStatus(QStringLiteral("Reading Module..."));
    if (cancelled())
        return;
    reportProgress(15);
    // The listing ends with the last route.
    m_channel->sendCommand("AT&V\r", moduleKey(Field::Route3Destination) + '=', 100);
    reportDone();
    reportStatus(QStringLiteral("Updating Main Form..."));
    m_listingApplied = ReadCompletion(m_host, *m_channel, m_guiContext, m_listingTarget).applyListing();
}

void OperationWorker::restoreModule()
{
    beginShortOperation(QStringLiteral("Restoring Defaults..."));
    if (cancelled())
        return;
    try {
        wakeModule();
    } catch (const Exception &) {
        // the factory-defaults command goes out regardless
    }
    reportStatus(QStringLiteral("Restoring Defaults..."));
    if (cancelled())
        return;
    reportProgress(10);
    m_channel->send("AT&F&W\r", "\r", 100);
    if (!cancelled())
        reportDone();
}

// --- hand-offs ----------------------------------------------------------------------

void OperationWorker::reportStatus(const QString &text)
{
    onGui([&] { m_progress.setStatus(text); });
}

void OperationWorker::reportProgress(int n)
{
    onGui([&] { m_progress.setProgress(n); });
}

void OperationWorker::reportProgressMax(int n)
{
    onGui([&] { m_progress.setProgressMax(n); });
}

void OperationWorker::reportStep()
{
    onGui([&] { m_progress.stepProgress(); });
}

void OperationWorker::reportDone()
{
    onGui([&] { m_progress.progressToMax(); });
}

void OperationWorker::repaintProgress()
{
    onGui([&] { m_progress.repaintNow(); });
}

void OperationWorker::reportError(const QString &text)
{
    onGui([&] { m_host.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, text); });
}
