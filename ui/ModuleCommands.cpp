#include "ui/ModuleCommands.h"

#include "journal/JournalRecorder.h"
#include "journal/OperationRecords.h"
#include "operations/ModuleOperations.h"
#include "operations/ModuleSession.h"
#include "settings/CommandBuilder.h"
#include "settings/MessageSink.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsModel.h"
#include "ui/JournalNotice.h"
#include "ui/OperationHost.h"
#include "ui/ProgressDialog.h"
#include "ui/PostedCall.h"


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
        postTo(&m_dialog, [host, text] {
            host->setListingText(text);
            host->appendLogLine(text + '\r');
        });
    }
    void sent(const QByteArray &command) override
    {
        OperationHost *host = &m_host;
        postTo(&m_dialog, [host, command] { host->appendSentLine(command); });
    }
    void lineChanged(const LineSettings &line) override
    {
        OperationHost *host = &m_host;
        postTo(&m_dialog, [host, line] {
            host->lineSettings() = line;
            host->showLineSettings();
        });
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

// Failures where the module was not reached: trying again, finding the module or
// changing the port may help.
bool offersNextSteps(const OperationResult &result)
{
    using Outcome = OperationResult::Outcome;
    return result.outcome == Outcome::PortError || result.outcome == Outcome::NoResponse ||
           result.outcome == Outcome::LineLost;
}

ModuleCommands::NextStep nextStepOf(MessageSink::Answer answer)
{
    switch (answer) {
    case MessageSink::Answer::Retry: return ModuleCommands::NextStep::Retry;
    case MessageSink::Answer::FindModule: return ModuleCommands::NextStep::FindModule;
    case MessageSink::Answer::PortSettings: return ModuleCommands::NextStep::PortSettings;
    default: return ModuleCommands::NextStep::None;
    }
}

}  // namespace

ModuleCommands::ModuleCommands(OperationHost &host) : m_host(host) {}

bool ModuleCommands::configure(std::optional<ModuleSettings> *readBack)
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
    return configureWithCommandList(readBack);
}

bool ModuleCommands::configureWithCommandList(std::optional<ModuleSettings> *readBack)
{
    m_host.repaintWindow();
    return showProgress(OperationKind::Configure, nullptr, readBack);
}

bool ModuleCommands::read()
{
    m_host.priorS21() = m_host.model().get(Field::RadioSignature);
    // A read starts afresh, as the defaults would; the settings change only when a
    // listing arrives and converts.
    m_host.setStatusText(QString());
    m_host.clearLog();
    return showProgress(OperationKind::Read);
}

bool ModuleCommands::readInto(ModuleSettings &target)
{
    return showProgress(OperationKind::Read, &target);
}

std::optional<bool> ModuleCommands::restoreFactoryDefaults()
{
    if (m_host.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::YesNoDefaultNo, kRestoreQuestion) !=
        MessageSink::Answer::Yes)
        return std::nullopt;
    const ModuleSettings before = m_host.model().settings();
    if (showProgress(OperationKind::RestoreDefaults))
        return true;
    m_host.model().replaceAll(before);
    return false;
}

bool ModuleCommands::showProgress(OperationKind kind, ModuleSettings *target, std::optional<ModuleSettings> *readBack)
{
    JournalRecorder record(journalOperation(kind), m_host.variant(), m_host.lineSettings().port);
    const OperationResult result = run(kind, readBack != nullptr);
    showJournalNotice(m_host.messages(), keepOperation(record, kind, m_host.commandList(), result));
    if (readBack && kind == OperationKind::Configure && result.configured && result.listing)
        *readBack = settingsFromListing(*result.listing, m_host.variant());
    return apply(kind, result, target);
}

OperationResult ModuleCommands::run(OperationKind kind, bool readBack)
{
    ProgressDialog dialog(m_host.window());
    WindowObserver observer(dialog, m_host);
    // The operation gets copies of what it needs: the window stays untouched while it runs.
    ModuleSession session(m_host.lineSettings());
    session.setEscapeCharacter(m_host.escapeCharacter());
    session.setPace(m_host.replyPace());
    const ConfigureRequest configure{m_host.variant(), m_host.model().settings(), m_host.commandList(), readBack};
    const ReadRequest read{m_host.variant(), m_host.priorS21()};
    std::stop_source stop;
    OperationResult result;  // what an operation that does nothing leaves
    result.line = session.lineSettings();
    result.escapeCharacter = session.escapeCharacter();
    // The operation's thread starts after everything above was written and has been
    // joined before the result is read.
    dialog.runModal(
        [&, token = stop.get_token()] {
            switch (kind) {
            case OperationKind::Configure: result = configureModule(configure, session, observer, token); break;
            case OperationKind::Read: result = readModule(read, session, observer, token); break;
            case OperationKind::RestoreDefaults: result = restoreDefaults(read, session, observer, token); break;
            }
        },
        stop);
    return result;
}

void ModuleCommands::showWhatWasStored(OperationKind kind, const OperationResult &result)
{
    if (kind == OperationKind::Read || result.succeeded())
        return;
    // A cancel that stored nothing and reset the module is what the user asked for: no box.
    const ModuleChanges &changes = result.changes;
    if (result.outcome == OperationResult::Outcome::Cancelled && changes.store == ModuleChanges::Store::NotSent &&
        changes.reset != ModuleChanges::Reset::Failed)
        return;
    QString sentence = changesSentence(
        changes, kind == OperationKind::RestoreDefaults ? StoredThing::FactoryDefaults : StoredThing::Configuration);
    if (sentence.isEmpty())
        return;
    sentence[0] = sentence[0].toUpper();
    m_host.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok, sentence + QLatin1Char('.'));
}

bool ModuleCommands::apply(OperationKind kind, const OperationResult &result, ModuleSettings *target)
{
    m_identification = result.identification;
    m_error = result.error;
    m_cancelled = result.outcome == OperationResult::Outcome::Cancelled;
    m_host.escapeCharacter() = result.escapeCharacter;
    m_host.setListingText(result.lastReply);
    if (kind != OperationKind::Read) {
        m_host.lineSettings() = result.line;
        m_host.showLineSettings();
    }
    if (kind == OperationKind::Configure && !result.identification.isNull())
        m_host.priorS21() = m_host.model().get(Field::RadioSignature);

    bool listingApplied = false;
    // A configure's listing is its verify's, never the window's.
    if (result.listing && kind != OperationKind::Configure) {
        if (target)
            *target = settingsFromListing(*result.listing, m_host.variant());
        else
            m_host.model().applyListing(*result.listing, SettingsModel::ListingBase::Defaults);
        listingApplied = true;
    }
    if (!result.identification.isNull() && kind != OperationKind::Configure)
        m_host.setStatusText(result.identification);
    m_nextStep = NextStep::None;
    bool offered = false;  // the first error of the failure offers them
    for (const OperationNotice &notice : result.notices) {
        if (notice.level == OperationNotice::Level::Error && offersNextSteps(result) && !offered) {
            offered = true;
            m_nextStep = nextStepOf(
                m_host.messages().show(iconOf(notice.level), MessageSink::Buttons::NextSteps, notice.text));
            continue;
        }
        m_host.messages().show(iconOf(notice.level), MessageSink::Buttons::Ok, notice.text);
    }
    showWhatWasStored(kind, result);
    m_host.repaintWindow();
    return kind == OperationKind::Configure ? result.configured : listingApplied;
}
