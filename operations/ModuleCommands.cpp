#include "operations/ModuleCommands.h"

#include "operations/ConfigProgressForm.h"
#include "operations/OperationHost.h"
#include "settings/CommandBuilder.h"
#include "settings/MessageSink.h"
#include "settings/SettingsModel.h"

const QString TModuleCommands::kNoModeText = QStringLiteral("An operating mode must be selected!");
const QString TModuleCommands::kRestoreQuestion = QStringLiteral(
    "This option will delete all existing configuration data\r\nand restore factory defaults to the modem. Continue?");

TModuleCommands::TModuleCommands(OperationHost &host) : m_host(host) {}

void TModuleCommands::WriteConfig()
{
    const ModuleSettings &settings = m_host.model().settings();
    if (settings.mode == OperatingMode::None) {
        m_host.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok, kNoModeText);
        return;
    }
    m_host.clearLog();
    CommandBuilder builder(settings, m_host.commandList());
    if (isControlledMode(settings.mode))
        builder.buildControlled();
    else
        builder.buildTransparent();
    ConfigureModule();
}

void TModuleCommands::ConfigureModule()
{
    m_host.repaintWindow();
    ShowProgress(OperationKind::Configure);
}

void TModuleCommands::ReadModuleConfig()
{
    SettingsModel &model = m_host.model();
    const ModuleSettings before = model.settings();
    m_host.PriorS21() = model.get(Field::RadioSignature);
    model.applyDefaults();
    model.set(Field::RadioSignature, m_host.PriorS21());
    if (!ShowProgress(OperationKind::Read))
        model.replaceAll(before);
}

void TModuleCommands::RestoreFactDefaults()
{
    if (m_host.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::YesNo, kRestoreQuestion) !=
        MessageSink::Answer::Yes)
        return;
    const ModuleSettings before = m_host.model().settings();
    if (!ShowProgress(OperationKind::RestoreDefaults))
        m_host.model().replaceAll(before);
}

bool TModuleCommands::ShowProgress(OperationKind kind)
{
    TConfigProgressForm form(m_host, kind, m_host.window());
    form.exec();
    return form.listingApplied();
}
