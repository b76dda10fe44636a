#include "app/FrmMain.h"
void FrmMain::LoadSettings() {}
void FrmMain::chkPopUp_Click() {}
void FrmMain::chkStayOnTop_Click() {}
void FrmMain::chkAppend_Click() {}
void FrmMain::applyStayOnTop(bool) {}
