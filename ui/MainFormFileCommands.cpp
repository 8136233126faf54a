// File commands of the main window: new, open, save, exit.
#include "ui/MainForm.h"

void TMainForm::File_NewClick() { New(); }
void TMainForm::tb_NewClick() { New(); }

// Open, Save and Save As come with the configuration files; until then their
// commands stay disabled (enableCommand).
void TMainForm::File_OpenClick() {}
void TMainForm::tb_OpenClick() {}
void TMainForm::File_SaveClick() {}
void TMainForm::tb_SaveClick() { commitEdit(); }
void TMainForm::File_SaveAsClick() {}

// Start-up step: a configuration file named as the first command-line argument is
// opened by the configuration-file commands.
void TMainForm::OpenCommandLineFile() {}

void TMainForm::File_ExitClick() { close(); }
