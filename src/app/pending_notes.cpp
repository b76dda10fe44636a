#include "app/FrmMain.h"
void FrmMain::cmdSave_Click() {}
void FrmMain::txtData_Change() {}
void FrmMain::txtName_Change() {}
void FrmMain::txtData_Click() {}
void FrmMain::txtName_Click() {}
void FrmMain::cmdClearDescription_Click() {}
void FrmMain::cmdClearNote_Click() {}
void FrmMain::lvwNoteDatabase_Click() {}
void FrmMain::lvwNoteDatabase_DblClick() {}
void FrmMain::lvwNoteDatabase_GotFocus() {}
void FrmMain::cmdOpen_Click() {}
void FrmMain::ShellOpen(const QString&) {}
void FrmMain::cmdDeleteNote_Click() {}
