#include "operations/ProgramThread.h"

#include "comm/COM740Object.h"
#include "operations/ConfigProgressForm.h"
#include "operations/GuiCall.h"
#include "operations/OperationHost.h"
#include "operations/ReadConfigEnd.h"
#include "settings/MessageSink.h"
#include "settings/SerialParams.h"
#include "settings/SettingsModel.h"

namespace {
// The wake sequence counts "0\r" anywhere as the numeric "OK".
bool answered(const QByteArray &reply) { return reply.contains("OK") || reply.contains("0\r"); }
}  // namespace

TProgramThread::TProgramThread(OperationHost &host, TConfigProgressForm &form, OperationKind kind)
    : m_host(host),
      m_form(form),
      m_guiContext(&form),
      m_kind(kind),
      m_commands(host.commandList()),
      m_escapeCode(host.model().get(Field::sreg_2)),
      m_responseCodesOff(host.model().settings().flag(Field::Adv_Resp))
{
}

TProgramThread::~TProgramThread() = default;

void TProgramThread::run() { Execute(); }

void TProgramThread::Execute()
{
    NonStandardRate = false;
    switch (m_kind) {
    case OperationKind::KindConfigure: runFramed(&TProgramThread::RunConfigure); break;
    case OperationKind::KindRead: runFramed(&TProgramThread::RunRead); break;
    case OperationKind::KindRestoreDefaults: runFramed(&TProgramThread::RunRestore); break;
    default: break;
    }
    // Last hand-off: nothing of this thread is touched by the GUI before it. The
    // dialog closes once the thread has finished.
    onGui([this] { m_host.setLogViaWorker(false); });
}

void TProgramThread::runFramed(Body body)
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
        ReportMessage(error);
}

void TProgramThread::openChannel(const PortSettings &settings)
{
    m_channel.reset();
    m_channel = std::make_unique<TCOM740Object>(settings);
    // A cancel ends the exchange under way after its current read.
    m_channel->port().setCancelCheck([this] { return cancelled(); });
    OperationHost *host = &m_host;
    m_channel->SetReceiveHandler(
        [host](const QByteArray &text, quint16 length) { host->ReceiveData(text, length); });
}

void TProgramThread::openChannelFromGui()
{
    PortSettings settings;
    onGui([&] { settings = m_host.portSettings(); });
    openChannel(settings);
}

void TProgramThread::RunConfigure()
{
    onGui([this] { m_startPort = m_host.portSettings(); });
    m_moduleLine = m_startPort;
    openChannel(m_startPort);
    try {
        CheckSerialParameters();
        if (!cancelled())
            ConfigureOperation();
    } catch (const ExchangeCancelled &) {
    }
    if (cancelled() && m_configSent && !m_configDone)
        resetAfterCancel();
}

void TProgramThread::resetAfterCancel()
{
    try {
        m_channel.reset();
        openChannel(m_moduleLine);
        m_channel->port().setCancelCheck({});
        // Nothing was stored: the module goes back to its stored profile.
        m_channel->Send("ATZ\r", "\r", 100);
    } catch (const Exception &) {
        // a module or port that is gone cannot be reset; the cancel stays silent
    }
    m_channel.reset();
    onGui([this] {
        m_host.portSettings() = m_startPort;
        m_host.DisplaySerialSettings();
    });
}

void TProgramThread::pauseUnlessCancelled(int ms)
{
    constexpr int kSlice = 20;
    for (int waited = 0; waited < ms && !cancelled(); waited += kSlice)
        QThread::msleep(kSlice);
}

void TProgramThread::RunRead()
{
    openChannelFromGui();
    ReadOperation();
}

void TProgramThread::RunRestore()
{
    openChannelFromGui();
    try {
        RestoreOperation();
    } catch (const ExchangeCancelled &) {
        // the PC side follows the module's reset all the same
    }
    m_channel.reset();
    // The module talks 9600 8-N-1 after its factory reset; the PC follows on the same port.
    onGui([this] {
        ResetPortSettings(m_host.portSettings(), false);
        m_host.DisplaySerialSettings();
    });
    openChannelFromGui();
    ReadOperation();
}

void TProgramThread::WakeModule()
{
    SetStatus(QStringLiteral("Waking Modem..."));
    try {
        m_channel->SendCommand("\r", "OK", 50);
        return;
    } catch (const Exception &) {
        // not in command mode (or no CTS yet): escape sequence
    }
    // Send raises when its write fails, so each judgement below sees the reply to
    // its own attempt, never one left from an earlier exchange.
    if (cancelled())
        return;
    m_channel->Send(EscapeSequence(), "OK", 50);
    if (answered(m_channel->LastReply()))
        return;
    if (cancelled())
        return;
    m_channel->Send(EscapeSequence(), "OK", 50);
    if (!answered(m_channel->LastReply()) && cancelled())
        return;
    m_channel->Send("\r", "OK", 10);
    if (cancelled())
        return;
    if (!answered(m_channel->LastReply()))
        throw EWriteCommError::cannotWake();
}

// Read and restore share their opening: a bar of 20 steps, a quarter done.
void TProgramThread::BeginShortOperation(const QString &status)
{
    SetStatus(status);
    SetProgress(0);
    SetProgressMax(20);
    SetProgress(5);
    RepaintDialog();
}

void TProgramThread::ReadOperation()
{
    BeginShortOperation(QStringLiteral("Reading Module..."));
    if (cancelled())
        return;
    SetProgress(10);
    try {
        WakeModule();
    } catch (const Exception &) {
        // the listing request below fails with its own error if the module sleeps
    }
    SetStatus(QStringLiteral("Reading Module..."));
    if (cancelled())
        return;
    SetProgress(15);
    m_channel->SendCommand("AT&V\r", "&Z3=", 100);
    ProgressToMax();
    SetStatus(QStringLiteral("Updating Main Form..."));
    m_listingApplied = TReadConfigEnd(m_host, *m_channel, m_guiContext).UpdateReadConfig();
}

void TProgramThread::RestoreOperation()
{
    BeginShortOperation(QStringLiteral("Restoring Defaults..."));
    if (cancelled())
        return;
    try {
        WakeModule();
    } catch (const Exception &) {
        // the factory-defaults command goes out regardless
    }
    SetStatus(QStringLiteral("Restoring Defaults..."));
    if (cancelled())
        return;
    SetProgress(10);
    m_channel->Send("AT&F&W\r", "\r", 100);
    if (!cancelled())
        ProgressToMax();
}

// --- hand-offs ----------------------------------------------------------------------

void TProgramThread::SetStatus(const QString &text)
{
    onGui([&] { m_form.setStatus(text); });
}

void TProgramThread::SetProgress(int n)
{
    onGui([&] { m_form.setProgress(n); });
}

void TProgramThread::SetProgressMax(int n)
{
    onGui([&] { m_form.setProgressMax(n); });
}

void TProgramThread::StepProgress()
{
    onGui([&] { m_form.stepProgress(); });
}

void TProgramThread::ProgressToMax()
{
    onGui([&] { m_form.progressToMax(); });
}

void TProgramThread::RepaintDialog()
{
    onGui([&] { m_form.repaint(); });
}

void TProgramThread::ReportMessage(const QString &text)
{
    onGui([&] { m_host.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, text); });
}
