#include "ui/DesktopSession.h"

#include "ui/ConfigFileCommands.h"
#include "ui/FileDropFilter.h"
#include "ui/MainWindow.h"
#include "ui/QtFileDialogs.h"
#include "ui/RecentFiles.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>

#include <functional>

namespace {

const QString kRecentGoneText = QStringLiteral("%1 no longer exists. It has been removed from Recent Files.");

// Opens the dialogs in the folder last used (the one they are given when there is
// none) and remembers the folder of each file chosen.
class FolderRememberingDialogs : public FileDialogs {
public:
    FolderRememberingDialogs(std::function<FileDialogs *()> dialogs, RememberedSettings &settings)
        : m_dialogs(std::move(dialogs)), m_settings(settings) {}

    QString getSaveFileName(const QString &directory, const QString &filter, const QString &defaultSuffix) override
    {
        FileDialogs *dialogs = m_dialogs();
        return dialogs ? remember(dialogs->getSaveFileName(folder(directory), filter, defaultSuffix)) : QString();
    }
    QString getOpenFileName(const QString &directory, const QString &filter, const QString &defaultSuffix,
                            const QString &title) override
    {
        FileDialogs *dialogs = m_dialogs();
        return dialogs ? remember(dialogs->getOpenFileName(folder(directory), filter, defaultSuffix, title))
                       : QString();
    }

private:
    QString folder(const QString &given) const
    {
        const QString last = m_settings.lastFolder();
        return last.isEmpty() ? given : last;
    }
    QString remember(const QString &chosen)
    {
        if (!chosen.isEmpty()) {
            m_settings.setLastFolder(QFileInfo(chosen).absolutePath());
            m_settings.sync();
        }
        return chosen;
    }

    std::function<FileDialogs *()> m_dialogs;
    RememberedSettings &m_settings;
};

// The desktop's keys for a standard command; some key schemes have none (Save As
// under a plain X11 session), and then the common choice is taken.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey key, QKeyCombination fallback)
{
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    return keys.isEmpty() ? QList<QKeySequence>{QKeySequence(fallback)} : keys;
}

}  // namespace

DesktopSession::DesktopSession(const ProductVariant &variant, FileDialogs *dialogs)
    : m_settings(variant), m_givenDialogs(dialogs),
      m_folderDialogs(std::make_unique<FolderRememberingDialogs>(
          [this] { return m_givenDialogs ? m_givenDialogs : m_qtDialogs.get(); }, m_settings))
{
}

DesktopSession::~DesktopSession() = default;

void DesktopSession::attach(MainWindow &window)
{
    m_window = &window;
    m_windowObject = &window;
    if (!m_givenDialogs)
        m_qtDialogs = std::make_unique<QtFileDialogs>(&window);
    window.setStartupLineSettings(m_settings.lineSettings());
    addShortcuts();
    buildRecentFilesMenu();
    m_drops = std::make_unique<FileDropFilter>(&window, [this](const QString &path) {
        if (m_window)
            m_window->openArgument(path);
    });
    // A file that becomes the current one, opened or saved, goes to the top of the list.
    connect(&window.fileCommands(), &ConfigFileCommands::captionChanged, this, [this] {
        if (m_window && m_recent && !m_window->currentFileName().isEmpty())
            m_recent->add(m_window->currentFileName());
    });
    if (auto *verify = window.findChild<QAction *>(QStringLiteral("Comm_Verify"))) {
        verify->setChecked(m_settings.verifyAfterConfigure());
        connect(verify, &QAction::toggled, this, [this](bool on) {
            m_settings.setVerifyAfterConfigure(on);
            m_settings.sync();
        });
    }
    if (auto *silence = window.findChild<QAction *>(QStringLiteral("Comm_SilencePace"))) {
        silence->setChecked(m_settings.silenceEndedReplies());
        connect(silence, &QAction::toggled, this, [this](bool on) {
            m_settings.setSilenceEndedReplies(on);
            m_settings.sync();
        });
    }
    window.installEventFilter(this);
}

void DesktopSession::addShortcuts()
{
    struct Shortcut {
        MainCommand command;
        QList<QKeySequence> keys;
    };
    // Module commands take Ctrl combinations that neither the menu bar's Alt mnemonics
    // nor the fields' own editing keys use.
    const Shortcut shortcuts[] = {
        {MainCommand::New, standardKeys(QKeySequence::New, Qt::CTRL | Qt::Key_N)},
        {MainCommand::Open, standardKeys(QKeySequence::Open, Qt::CTRL | Qt::Key_O)},
        {MainCommand::Save, standardKeys(QKeySequence::Save, Qt::CTRL | Qt::Key_S)},
        {MainCommand::SaveAs, standardKeys(QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {MainCommand::Read, {QKeySequence(Qt::CTRL | Qt::Key_R)}},
        {MainCommand::Configure, {QKeySequence(Qt::CTRL | Qt::Key_M)}},
        {MainCommand::ComPortSettings, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}},
        {MainCommand::RestoreDefaults, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)}},
        {MainCommand::TxBerTest, {QKeySequence(Qt::CTRL | Qt::Key_1)}},
        {MainCommand::RxBerTest, {QKeySequence(Qt::CTRL | Qt::Key_2)}},
        {MainCommand::TxRxBerTest, {QKeySequence(Qt::CTRL | Qt::Key_3)}},
        {MainCommand::RssiMeasurement, {QKeySequence(Qt::CTRL | Qt::Key_4)}},
        {MainCommand::EscapeCharacter, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)}},
        {MainCommand::About, standardKeys(QKeySequence::HelpContents, Qt::Key_F1)},
    };
    for (const Shortcut &s : shortcuts)
        if (QAction *a = m_window->commandAction(s.command))
            a->setShortcuts(s.keys);
    // The menu's last item is its exit.
    if (auto *file = qobject_cast<QMenu *>(m_window->commandAction(MainCommand::New)->parent()))
        file->actions().constLast()->setShortcuts(standardKeys(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q));
}

void DesktopSession::buildRecentFilesMenu()
{
    // Below "Save As", in a section of its own.
    QAction *saveAs = m_window->commandAction(MainCommand::SaveAs);
    auto *file = qobject_cast<QMenu *>(saveAs->parent());
    if (!file)
        return;
    const QList<QAction *> items = file->actions();
    QAction *next = items.value(items.indexOf(saveAs) + 1);
    auto *menu = new QMenu(QStringLiteral("Recent &Files"), file);
    menu->setObjectName(QStringLiteral("File_Recent"));
    menu->setAttribute(Qt::WA_WindowPropagation);
    file->insertMenu(file->insertSeparator(next), menu);

    m_recent = new RecentFiles(menu, m_window);
    m_recent->setFiles(m_settings.recentFiles());
    connect(m_recent, &RecentFiles::changed, this, [this](const QStringList &files) {
        m_settings.setRecentFiles(files);
        m_settings.sync();
    });
    connect(m_recent, &RecentFiles::chosen, this, &DesktopSession::openRecentFile);
}

void DesktopSession::openRecentFile(const QString &path)
{
    if (!m_window)
        return;
    if (!QFileInfo(path).isFile()) {
        m_window->messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok, kRecentGoneText.arg(path));
        m_recent->remove(path);
        return;
    }
    m_window->openNamedFile(path);
}

bool DesktopSession::eventFilter(QObject *watched, QEvent *event)
{
    // Only the two events of interest reach the comparison: the window also sends
    // events while it is being destroyed, when it is no longer a MainWindow and
    // m_window must not be read as one.
    if (event->type() != QEvent::Show && event->type() != QEvent::Close)
        return QObject::eventFilter(watched, event);
    if (watched == m_windowObject) {
        if (event->type() == QEvent::Show && !m_geometryRestored) {
            m_geometryRestored = true;
            // After the show: the window centres itself while being shown.
            const QByteArray geometry = m_settings.windowGeometry();
            if (!geometry.isEmpty())
                QMetaObject::invokeMethod(
                    this, [this, geometry] { if (m_window) m_window->restoreGeometry(geometry); },
                    Qt::QueuedConnection);
        } else if (event->type() == QEvent::Close) {
            save();
        }
    }
    return QObject::eventFilter(watched, event);
}

void DesktopSession::save()
{
    m_settings.setLineSettings(m_window->lineSettings());
    m_settings.setWindowGeometry(m_window->saveGeometry());
    m_settings.sync();
}
