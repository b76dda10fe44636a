// The two views in the same place, and the buttons that move between them.
#include "app/FrmMain.h"

#include "categories/CategoryBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

#include "app/Twips.h"

void FrmMain::ShowEnterView() {
    currentMode = 1;
    cmdDiscard->setEnabled(false);
    for (QWidget* hidden :
         {static_cast<QWidget*>(cmdDeleteNote), static_cast<QWidget*>(cmdOpen), static_cast<QWidget*>(cmdBack),
          static_cast<QWidget*>(lvwNoteDatabase), static_cast<QWidget*>(lblEnterName)}) {
        hidden->hide();
    }
    cmdOpenDatabase->show();
    cmdSave->show();
    txtName->show();
    lblEnterName->resize(twipsToPixels(555), lblEnterName->height());
    lblEnterName->setText(QStringLiteral("Enter"));
    lblEnterName->show();
    lblADescription->show();
    txtData->show();
    if (txtName->text().isEmpty() || noteText().isEmpty()) {
        cmdSave->setEnabled(false);
    }
    cmdDiscard->setEnabled(true);
    setDefaultButton(cmdOpenDatabase);
}

void FrmMain::ShowDatabaseView() {
    cmdDiscard->setEnabled(false);
    currentMode = 2;
    cmdSave->setEnabled(false);
    cmdOpenDatabase->hide();
    cmdSave->hide();
    cmdDeleteNote->setEnabled(false);
    for (QWidget* hidden : {static_cast<QWidget*>(lblEnterName), static_cast<QWidget*>(lblADescription),
                            static_cast<QWidget*>(txtName), static_cast<QWidget*>(txtData)}) {
        hidden->hide();
    }
    cmdRemove_Category->setEnabled(false);
    for (QWidget* shown : {static_cast<QWidget*>(cmdBack), static_cast<QWidget*>(cmdOpen),
                           static_cast<QWidget*>(cmdDeleteNote), static_cast<QWidget*>(lvwNoteDatabase)}) {
        shown->show();
    }
    lblEnterName->resize(twipsToPixels(2000), lblEnterName->height());
    lblEnterName->setText(QStringLiteral("Current Notes"));
    lblEnterName->show();
    cboChoose_Category->setFocus();
    cmdDiscard->setEnabled(true);
    setDefaultButton(cmdBack);
}

void FrmMain::cmdOpenDatabase_Click() {
    cmdBack->setText(QStringLiteral("Enter Note"));
    cmdOpen->setEnabled(false);
    ShowDatabaseView();
    LoadNoteList();
    if (noteListCount() == 0) {
        cmdRemove_Category->setEnabled(false);
        cmdDeleteNote->setEnabled(false);
    }
    cboChoose_Category_Click();
}

void FrmMain::cmdBack_Click() {
    ShowEnterView();
    if (cmdBack->text() == QLatin1String("Enter Note")) {
        setNoteText(QString());
        txtName->setText(QString());
    }
    clearDefaultButton(cmdSave);
    cboChoose_Category_Click();
    cboChoose_Category->setFocus();
    setDefaultButton(cmdOpenDatabase);
}

void FrmMain::cmdDiscard_Click() {
    NoSysIcon(false);
    ShowEnterView();
}
