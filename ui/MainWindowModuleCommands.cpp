// Module commands of the main window: read, configure, restore factory defaults.
// Each runs behind the progress dialog (ModuleCommands); the window takes part
// through MainWindowOperationHost below.
#include "ui/MainWindow.h"

#include "journal/OperationRecords.h"
#include "settings/SerialParams.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsModel.h"
#include "ui/FindModuleDialog.h"
#include "ui/JournalNotice.h"
#include "ui/LogPane.h"
#include "ui/ModuleCommands.h"
#include "ui/OperationHost.h"
#include "ui/OperationOutcome.h"

#include <QAction>
#include <QElapsedTimer>
#include <QObject>

#include <algorithm>
#include <optional>

namespace {

// The main window as the module commands see it; it lives as a child of the window.
class MainWindowOperationHost : public QObject, public OperationHost {
public:
    explicit MainWindowOperationHost(MainWindow &w) : QObject(&w), m_w(w)
    {
        setObjectName(QStringLiteral("MainWindowOperationHost"));
    }

    SettingsModel &model() override { return m_w.model(); }
    MessageSink &messages() override { return m_w.messages(); }
    const ProductVariant &variant() const override { return m_w.variant(); }
    LineSettings &lineSettings() override { return m_w.lineSettings(); }
    CommandList &commandList() override { return m_w.commandList(); }
    int &priorS21() override { return m_w.priorS21(); }
    char &escapeCharacter() override { return m_w.escapeCharacter(); }
    ReplyPace replyPace() const override
    {
        const auto *silence = m_w.findChild<QAction *>(QStringLiteral("Comm_SilencePace"));
        return silence && silence->isChecked() ? ReplyPace::Silence : ReplyPace::FinalCode;
    }

    void setListingText(const QByteArray &text) override { m_w.setListingText(text); }
    void showLineSettings() override { m_w.showLineSettings(); }
    void setStatusText(const QString &text) override { m_w.setStatusText(text); }
    void appendLogLine(const QByteArray &line) override { m_w.appendLogLine(line); }
    void appendSentLine(const QByteArray &command) override { m_w.appendSentLine(command); }
    void clearLog() override { m_w.clearLog(); }
    void repaintWindow() override { m_w.repaint(); }
    QWidget *window() override { return &m_w; }

private:
    MainWindow &m_w;
};

double seconds(const QElapsedTimer &clock) { return double(clock.elapsed()) / 1000.0; }

ModuleCommands moduleCommands(MainWindow &w)
{
    auto *host = w.findChild<MainWindowOperationHost *>(QStringLiteral("MainWindowOperationHost"),
                                                       Qt::FindDirectChildrenOnly);
    if (!host)
        host = new MainWindowOperationHost(w);
    return ModuleCommands(*host);
}

}  // namespace

void MainWindow::read()
{
    commitEdit();
    if (refusedWhileTestRuns())
        return;
    if (!keepUnsavedChanges(QStringLiteral("reading the module")))
        return;
    readModule();
}

void MainWindow::readModule()
{
    const QString port = m_line.port;
    QElapsedTimer clock;
    clock.start();
    ModuleCommands commands = moduleCommands(*this);
    if (!commands.read()) {
        if (showFailure(QStringLiteral("Read"), port, commands))
            readModule();
        return;
    }
    markSettingsKept();
    m_moduleIdentification = commands.lastIdentification().trimmed();
    // The status row keeps the module's identification; the log gets the outcome.
    m_log->appendNote(OperationOutcome::read(
        OperationOutcome::moduleName(commands.lastIdentification(), m_variant.modelName), port, seconds(clock)));
    warnOfOtherModel(commands.lastIdentification(), port);
}

void MainWindow::configure()
{
    commitEdit();
    if (refusedWhileTestRuns())
        return;
    const QString port = m_line.port;
    QElapsedTimer clock;
    clock.start();
    ModuleCommands commands = moduleCommands(*this);
    const bool verify = m_verifyAfterConfigure->isChecked();
    std::optional<ModuleSettings> readBack;
    if (!commands.configure(verify ? &readBack : nullptr)) {
        // Without an operating mode nothing ran: the refusal has said so.
        if (m_model->mode() != OperatingMode::None && showFailure(QStringLiteral("Configure"), port, commands))
            configure();
        return;
    }
    // The module holds the settings now: closing the window loses nothing.
    markSettingsKept();
    if (!commands.lastIdentification().trimmed().isEmpty())
        m_moduleIdentification = commands.lastIdentification().trimmed();
    const QString module = OperationOutcome::moduleName(commands.lastIdentification(), m_variant.modelName);
    std::optional<int> differences;
    ModuleSettings held;
    // The module was read back into a record of its own, in the configure's own wake
    // where it could be; only a difference is worth a dialog.
    if (verify) {
        bool haveHeld = readBack.has_value();
        if (haveHeld)
            held = *readBack;
        else
            haveHeld = moduleCommands(*this).readInto(held);
        if (haveHeld) {
            showJournalNotice(messages(), recordVerify(m_variant, m_line.port,
                                                       m_model->settings(), held));
            differences = int(compareSettings(m_model->settings(), held, m_variant.radioClass).size());
        }
    }
    showOutcome(OperationOutcome::configured(module, port, differences, seconds(clock)));
    if (differences.value_or(0) > 0)
        showComparison(QStringLiteral("Verify After Configure"), QStringLiteral("Module"), held);
}

bool MainWindow::showFailure(const QString &command, const QString &port, const ModuleCommands &commands)
{
    showOutcome(OperationOutcome::failed(command, port, commands.lastError(), commands.lastCancelled()));
    switch (commands.lastNextStep()) {
    case ModuleCommands::NextStep::Retry: return true;
    case ModuleCommands::NextStep::FindModule: findModule(); break;
    case ModuleCommands::NextStep::PortSettings: editPortSettings(); break;
    case ModuleCommands::NextStep::None: break;
    }
    return false;
}

void MainWindow::showOutcome(const QString &text)
{
    setStatusText(text);
    m_log->appendNote(text);
}

void MainWindow::warnOfOtherModel(const QString &identification, const QString &port)
{
    const QString model = identification.section(QStringLiteral(" V"), 0, 0).trimmed();
    if (model.isEmpty() || model == m_variant.modelName)
        return;
    m_messages.show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok,
                    QStringLiteral("The module on %1 is a %2, not a %3.\r\n"
                                   "Its settings were read as a %3's; some may not apply to it. "
                                   "Configure it with the program for the %2.")
                        .arg(port, identification.trimmed(), m_variant.modelName));
}

void MainWindow::compareModuleWithWindow()
{
    commitEdit();
    if (refusedWhileTestRuns())
        return;
    ModuleSettings held;
    if (moduleCommands(*this).readInto(held))
        showComparison(QStringLiteral("Compare Module with Window"), QStringLiteral("Module"), held);
}

void MainWindow::findModule()
{
    // The module's guard time is unknown: the one the window holds, but never less
    // than the factory value, so the escape's answer is not missed.
    const int guardMs = std::max(model().settings()[Field::EscapeGuardTime], 1000);
    FindModuleDialog dialog(m_line, std::chrono::milliseconds(guardMs), m_escapeCharacter, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_line = dialog.foundSettings();
        showLineSettings();
    }
}

void MainWindow::restoreFactoryDefaults()
{
    if (refusedWhileTestRuns())
        return;
    const QString port = m_line.port;
    QElapsedTimer clock;
    clock.start();
    ModuleCommands commands = moduleCommands(*this);
    const std::optional<bool> restored = commands.restoreFactoryDefaults();
    if (!restored)
        return;
    if (!*restored) {
        if (showFailure(QStringLiteral("Restore Factory Defaults"), port, commands))
            restoreFactoryDefaults();  // asks again: the restore is never repeated unasked
        return;
    }
    markSettingsKept();
    showOutcome(OperationOutcome::restored(
        OperationOutcome::moduleName(commands.lastIdentification(), m_variant.modelName), port, seconds(clock)));
}
