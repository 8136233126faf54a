// Dialogs opened from the main window: PC serial port, escape character, about box.
#include "ui/MainWindow.h"

#include "ui/AboutDialog.h"
#include "ui/EscapeCharacterDialog.h"
#include "ui/PortSettingsDialog.h"

#include <memory>

void MainWindow::editPortSettings()
{
    // A fresh dialog each time, editing the program's line in place. The port itself
    // is opened with it by the next module operation.
    const auto dialog = std::make_unique<PortSettingsDialog>(this);
    dialog->edit(lineSettings());
    dialog->exec();
    showLineSettings();   // also after Cancel
}

void MainWindow::editEscapeCharacter()
{
    // One dialog for the program's life: made on first use (unless start-up made it)
    // and kept as a child of the main window.
    auto *dialog = findChild<EscapeCharacterDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new EscapeCharacterDialog(
            // A plain char: through unsigned char so codes above 127 survive.
            [this] { return int(static_cast<unsigned char>(m_escapeCharacter)); },
            [this](int code) { m_escapeCharacter = static_cast<char>(code); }, this);
    dialog->exec();
}

void MainWindow::showAbout()
{
    // Freed when closed, so repeated opening does not pile up hidden boxes.
    const auto box = std::make_unique<AboutDialog>(this);
    box->setUp(variant().brand, variant().radioClass);
    box->exec();
}
