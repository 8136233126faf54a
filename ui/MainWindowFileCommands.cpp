// File commands of the main window: new, open, save, save as, exit, and the file
// named on the command line. The work is done by ConfigFileCommands, which also
// holds CurrentFileName; the window shows what it announces.
#include "ui/MainWindow.h"

#include "ui/ConfigFileCommands.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsModel.h"
#include "ui/ComparisonDialog.h"
#include "ui/FieldBinder.h"
#include "ui/QtFileDialogs.h"
#include "ui/LogPane.h"
#include "ui/SpinField.h"

#include <QFileInfo>
#include <QSignalBlocker>

void MainWindow::buildFileCommands(FileDialogs *fileDialogs)
{
    if (!fileDialogs) {
        m_ownFileDialogs = std::make_unique<QtFileDialogs>(this);
        fileDialogs = m_ownFileDialogs.get();
    }
    m_log->setFileDialogs(fileDialogs);
    m_files = new ConfigFileCommands(*m_model, *fileDialogs,
                                     {m_commandList, m_fileListingText, m_line, m_priorS21}, this);
    connect(m_files, &ConfigFileCommands::captionChanged, this, &MainWindow::updateCaption);
    connect(m_files, &ConfigFileCommands::fileSaved, this, &MainWindow::markSettingsKept);
    connect(m_files, &ConfigFileCommands::fileLoaded, this, &MainWindow::markSettingsKept);
    connect(m_files, &ConfigFileCommands::lineSettingsChanged, this, &MainWindow::showLineSettings);
    connect(m_files, &ConfigFileCommands::repaintRequested, this, [this] { repaint(); });
}

// ListingText is shared with the receive callback, which other threads call while
// an operation runs. File commands run on the GUI thread and never during an
// operation, so they work on a plain copy that is published when they end: a
// failed read leaves it as it was, a read file line replaces it.
bool MainWindow::withListingText(const std::function<bool()> &command)
{
    m_fileListingText = listingText();
    const bool done = command();
    setListingText(m_fileListingText);
    return done;
}

// The menu's save commands do not commit the edit: a numeric field still being
// edited is saved as it reads (its text as a number, its minimum when the text is
// none, kept within the field's range). Its leave rule does not run and its mirror
// is not updated; the model gets the held value back, so leaving the field later
// runs the rule as if the save had not happened. The controls are not told, so
// the field keeps the text being typed.
bool MainWindow::withTypedValue(const std::function<bool()> &command)
{
    SpinField *edited = editedField();
    Field field{};
    if (!edited || !m_binder->fieldOf(edited, field))
        return command();
    const int held = m_model->get(field);
    {
        const QSignalBlocker quiet(m_model.get());
        m_model->set(field, edited->value());
    }
    const bool done = command();
    {
        const QSignalBlocker quiet(m_model.get());
        m_model->set(field, held);
    }
    return done;
}

void MainWindow::openFile()
{
    if (!keepUnsavedChanges(QStringLiteral("opening another file")))
        return;
    withListingText([this] { return m_files->openFile(); });
}

// The tool bar's Save commits the edit before it runs (see buildToolBar()); from the
// menu the field being edited is saved as it reads.
void MainWindow::save()
{
    withTypedValue([this] { return m_files->save(); });
}

void MainWindow::saveAs()
{
    withTypedValue([this] { return m_files->saveAs(true); });
}

void MainWindow::compareFileWithWindow()
{
    QString path;
    if (const std::optional<ModuleSettings> other = m_files->chooseSettingsFile(&path))
        showComparison(ConfigFileCommands::kCompareTitle, QFileInfo(path).fileName(), *other);
}

void MainWindow::showComparison(const QString &title, const QString &otherHeading, const ModuleSettings &other)
{
    auto *dialog = new ComparisonDialog(title, QStringLiteral("Window"), otherHeading,
                                        compareSettings(m_model->settings(), other, m_variant.radioClass), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

// Start-up step: a configuration file named as the first command-line argument.
void MainWindow::openCommandLineFile()
{
    const QString argument = m_commandLineArgument;
    withListingText([this, &argument] { return m_files->openCommandLineFile(argument); });
}

bool MainWindow::openNamedFile(const QString &path)
{
    if (!keepUnsavedChanges(QStringLiteral("opening another file")))
        return false;
    return withListingText([this, &path] { return m_files->loadFile(path); });
}

bool MainWindow::openArgument(const QString &path)
{
    if (!keepUnsavedChanges(QStringLiteral("opening another file")))
        return false;
    return withListingText([this, &path] { return m_files->openCommandLineFile(path); });
}
