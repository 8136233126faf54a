// Radio diagnostics started from "Ad&vanced" / "&Diagnostics". The tests come with
// the diagnostics; until then their commands stay disabled (enableCommand).
#include "ui/MainForm.h"

void TMainForm::Diag_TxBerClick() {}
void TMainForm::Diag_RxBerClick() {}
void TMainForm::Diag_TxRxBerClick() {}
void TMainForm::Diag_RSSIClick() {}
