#include "operations/ModuleCommands.h"

#include "operations/ProgressDialog.h"
#include "operations/OperationHost.h"
#include "settings/CommandBuilder.h"
#include "settings/MessageSink.h"
#include "settings/SettingsModel.h"

const QString ModuleCommands::kNoModeText = QStringLiteral("An operating mode must be selected!");
const QString ModuleCommands::kRestoreQuestion = QStringLiteral(
    "This option will delete all existing configuration data\r\nand restore factory defaults to the modem. Continue?");

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
    ProgressDialog form(m_host, kind, m_host.window());
    form.setListingTarget(target);
    form.exec();
    return kind == OperationKind::Configure ? form.configured() : form.listingApplied();
}
