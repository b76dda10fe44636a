#include "app/FrmMain.h"
void FrmMain::mnuBackup_Click() {}
void FrmMain::mnuRestore_Click() {}
