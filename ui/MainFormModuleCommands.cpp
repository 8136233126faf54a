// Module commands of the main window: read, configure, restore factory defaults.
// Each runs behind the progress dialog of the operations; until that is in place the
// commands stay disabled (enableCommand).
#include "ui/MainForm.h"

void TMainForm::Comm_ReadClick() { commitEdit(); }
void TMainForm::tb_UpLoadClick() { commitEdit(); }
void TMainForm::Comm_ConfigureClick() { commitEdit(); }
void TMainForm::tb_ProgramClick() { commitEdit(); }
void TMainForm::Adv_DefaultsClick() {}
void TMainForm::tb_DefaultsClick() {}
