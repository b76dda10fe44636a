#include "app/FrmMain.h"
void FrmMain::Timer1_Timer() {}
