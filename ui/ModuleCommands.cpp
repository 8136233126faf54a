#include "ui/ModuleCommands.h"

#include "operations/ModuleOperations.h"
#include "operations/ModuleSession.h"
#include "settings/CommandBuilder.h"
#include "settings/MessageSink.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsModel.h"
#include "ui/OperationHost.h"
#include "ui/ProgressDialog.h"

#include <QtConcurrent/QtConcurrentRun>

#include <mutex>
#include <optional>

const QString ModuleCommands::kNoModeText = QStringLiteral("An operating mode must be selected!");
const QString ModuleCommands::kRestoreQuestion = QStringLiteral(
    "This option will delete all existing configuration data\r\nand restore factory defaults to the modem. Continue?");

namespace {

// Takes an operation's reports to the progress dialog and the window. Called on the
// operation's thread; everything is posted to the GUI thread through the dialog, which
// outlives the operation.
class WindowObserver : public OperationObserver {
public:
    WindowObserver(ProgressDialog &dialog, OperationHost &host) : m_dialog(dialog), m_host(host) {}

    void status(const QString &text) override { m_dialog.postStatus(text); }
    void progress(int value, int maximum) override { m_dialog.postProgress(value, maximum); }
    void reply(const QByteArray &text) override
    {
        OperationHost *host = &m_host;
        QMetaObject::invokeMethod(
            &m_dialog,
            [host, text] {
                host->setListingText(text);
                host->appendLogLine(text + '\r');
            },
            Qt::QueuedConnection);
    }
    void lineChanged(const LineSettings &line) override
    {
        OperationHost *host = &m_host;
        QMetaObject::invokeMethod(
            &m_dialog,
            [host, line] {
                host->portSettings() = portSettingsFor(line, host->portSettings());
                host->showPortSettings();
            },
            Qt::QueuedConnection);
    }

private:
    ProgressDialog &m_dialog;
    OperationHost &m_host;
};

MessageSink::Icon iconOf(OperationNotice::Level level)
{
    switch (level) {
    case OperationNotice::Level::Error: return MessageSink::Icon::Error;
    case OperationNotice::Level::Warning: return MessageSink::Icon::Warning;
    default: return MessageSink::Icon::Information;
    }
}

}  // namespace

ModuleCommands::ModuleCommands(OperationHost &host) : m_host(host) {}

bool ModuleCommands::configure()
{
    const ModuleSettings &settings = m_host.model().settings();
    if (settings.mode == OperatingMode::None) {
        m_host.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok, kNoModeText);
        return false;
    }
    m_host.clearLog();
    CommandBuilder builder(settings, m_host.commandList());
    if (isControlledMode(settings.mode))
        builder.buildControlled();
    else
        builder.buildTransparent();
    return configureWithCommandList();
}

bool ModuleCommands::configureWithCommandList()
{
    m_host.repaintWindow();
    return showProgress(OperationKind::Configure);
}

void ModuleCommands::read()
{
    m_host.priorS21() = m_host.model().get(Field::RadioSignature);
    // A read starts afresh, as the defaults would; the settings change only when a
    // listing arrives and converts.
    m_host.setStatusText(QString());
    m_host.clearLog();
    showProgress(OperationKind::Read);
}

bool ModuleCommands::readInto(ModuleSettings &target)
{
    return showProgress(OperationKind::Read, &target);
}

void ModuleCommands::restoreFactoryDefaults()
{
    if (m_host.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::YesNo, kRestoreQuestion) !=
        MessageSink::Answer::Yes)
        return;
    const ModuleSettings before = m_host.model().settings();
    if (!showProgress(OperationKind::RestoreDefaults))
        m_host.model().replaceAll(before);
}

bool ModuleCommands::showProgress(OperationKind kind, ModuleSettings *target)
{
    return apply(kind, run(kind), target);
}

OperationResult ModuleCommands::run(OperationKind kind)
{
    ProgressDialog dialog(m_host.window());
    WindowObserver observer(dialog, m_host);
    // The operation gets copies of what it needs: the window stays untouched while it runs.
    auto session = std::make_shared<ModuleSession>(lineSettingsFor(m_host.portSettings()));
    session->setEscapeCharacter(m_host.escapeCharacter());
    const ConfigureRequest configure{m_host.variant(), m_host.model().settings(), m_host.commandList()};
    const ReadRequest read{m_host.variant(), m_host.priorS21()};
    std::stop_source stop;
    // Handed over under a lock the thread tools can see, not only through the future.
    std::mutex handOver;
    OperationResult result;  // what an operation that does nothing leaves
    result.line = session->lineSettings();
    result.escapeCharacter = session->escapeCharacter();
    const QFuture<void> operation = QtConcurrent::run([&, session, kind, token = stop.get_token()] {
        std::optional<OperationResult> outcome;
        switch (kind) {
        case OperationKind::Configure: outcome = configureModule(configure, *session, observer, token); break;
        case OperationKind::Read: outcome = readModule(read, *session, observer, token); break;
        case OperationKind::RestoreDefaults: outcome = restoreDefaults(read, *session, observer, token); break;
        }
        const std::lock_guard lock(handOver);
        if (outcome)
            result = std::move(*outcome);
    });
    dialog.runModal(operation, stop);
    const std::lock_guard lock(handOver);
    return result;
}

bool ModuleCommands::apply(OperationKind kind, const OperationResult &result, ModuleSettings *target)
{
    m_host.escapeCharacter() = result.escapeCharacter;
    m_host.setListingText(result.lastReply);
    if (kind != OperationKind::Read) {
        m_host.portSettings() = portSettingsFor(result.line, m_host.portSettings());
        m_host.showPortSettings();
    }
    if (kind == OperationKind::Configure && !result.identification.isNull())
        m_host.priorS21() = m_host.model().get(Field::RadioSignature);

    bool listingApplied = false;
    if (result.listing) {
        if (target)
            *target = settingsFromListing(*result.listing, m_host.variant());
        else
            m_host.model().applyListing(*result.listing, SettingsModel::ListingBase::Defaults);
        listingApplied = true;
    }
    if (!result.identification.isNull() && kind != OperationKind::Configure)
        m_host.setStatusText(result.identification);
    for (const OperationNotice &notice : result.notices)
        m_host.messages().show(iconOf(notice.level), MessageSink::Buttons::Ok, notice.text);
    m_host.repaintWindow();
    return kind == OperationKind::Configure ? result.configured : listingApplied;
}
