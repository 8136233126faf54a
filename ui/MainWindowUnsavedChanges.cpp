// The main window's guard of unsaved edits: the mark in the title comes from
// UnsavedChanges; before anything replaces the edits the user is asked.
#include "ui/MainWindow.h"

#include "ui/ConfigFileCommands.h"
#include "ui/UnsavedChanges.h"

#include <QCloseEvent>
#include <QFileInfo>

bool MainWindow::hasUnsavedChanges() const { return m_unsaved->isModified(); }

void MainWindow::markSettingsKept() { m_unsaved->markKept(); }

bool MainWindow::keepUnsavedChanges(const QString &doing)
{
    if (!hasUnsavedChanges())
        return true;
    const QString file = currentFileName();
    const QString where = file.isEmpty() ? QString() : QStringLiteral(" to %1").arg(QFileInfo(file).fileName());
    const QString text = QStringLiteral("The settings in the window have changed since they were last saved.\r\n"
                                        "Save them%1 before %2?")
                             .arg(where, doing);
    switch (m_messages.show(MessageSink::Icon::Warning, MessageSink::Buttons::SaveDiscardCancel, text)) {
    case MessageSink::Answer::Save: return withTypedValue([this] { return m_files->save(); });
    case MessageSink::Answer::Discard: return true;
    default: return false;
    }
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    if (!keepUnsavedChanges(QStringLiteral("exiting"))) {
        e->ignore();
        return;
    }
    QMainWindow::closeEvent(e);
}
