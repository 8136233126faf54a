// Dialogs opened from the main window: PC serial port, escape character, about box.
#include "ui/MainForm.h"

#include "ui/EscCharEditForm.h"
#include "ui/HelpAboutForm.h"
#include "ui/SerialSettingsForm.h"

#include <memory>

void TMainForm::Comm_SerialClick() { SetupComPort(); }
void TMainForm::tb_ComSettingsClick() { SetupComPort(); }

void TMainForm::SetupComPort()
{
    // A fresh dialog each time, editing the program's PortSettings in place. The port
    // itself is opened with them by the next module operation.
    const auto dialog = std::make_unique<TSerialSettingsForm>(this);
    dialog->GetSerialDetails(portSettings());
    dialog->exec();
    showPortSettings();   // also after Cancel
}

void TMainForm::Adv_EscCharClick()
{
    // One dialog for the program's life: made on first use (unless start-up made it)
    // and kept as a child of the main window.
    auto *dialog = findChild<TEscCharEdit_Form *>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new TEscCharEdit_Form(this);
    dialog->exec();
}

void TMainForm::Help_AboutClick() { ShowHelpAbout(); }
void TMainForm::tb_HelpClick() { ShowHelpAbout(); }

void TMainForm::ShowHelpAbout()
{
    // Freed when closed, so repeated opening does not pile up hidden boxes.
    const auto box = std::make_unique<TForm_HelpAbout>(this);
    box->SetUp(variant().brand, variant().radioClass);
    box->exec();
}
