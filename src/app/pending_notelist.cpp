#include "app/FrmMain.h"
void FrmMain::setupNoteList() {}
void FrmMain::LoadNoteList() {}
void FrmMain::lvwNoteDatabase_ColumnClick(int) {}
int FrmMain::noteListCount() const {
    return 0;
}
