#include "app/FrmMain.h"
void FrmMain::LoadCategories() {}
void FrmMain::FillCategoryBox() {}
void FrmMain::cboChoose_Category_Click() {}
void FrmMain::cboChoose_Category_Change() {}
void FrmMain::cmdClearCategory_Click() {}
void FrmMain::cmdAdd_category_Click() {}
void FrmMain::cmdRemove_Category_Click() {}
void FrmMain::selectCategory(int) {}
void FrmMain::setCategoryText(const QString&) {}
