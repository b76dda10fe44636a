#include "app/FrmMain.h"
void FrmMain::ShowProgramInTray() {}
void FrmMain::RemoveTrayIcon() {}
void FrmMain::NoSysIcon(bool) {}
void FrmMain::mnuCTRL_Click() {}
void FrmMain::mnuExit_Click() {}
void FrmMain::TrayIcon_DblClick() {}
void FrmMain::TrayIcon_RightButtonDown() {}
void FrmMain::imgQuarn_MouseMove() {}
void FrmMain::imgQuarn_Click() {}
void FrmMain::lblEnterOrChooseCategory_MouseMove() {}
void FrmMain::lblEnterName_MouseMove() {}
void FrmMain::lblNote_MouseMove() {}
void FrmMain::lvwNoteDatabase_MouseMove() {}
void FrmMain::ResetHover() {}
