// The note box: its text as the rest of the program sees it.
#include "app/FrmMain.h"

#include <QPlainTextEdit>

QString FrmMain::noteText() const { return txtData->toPlainText(); }

void FrmMain::setNoteText(const QString& text) {
    // Like a text box, the change handling runs only when the text really changes.
    if (txtData->toPlainText() != text) {
        txtData->setPlainText(text);
    }
}
