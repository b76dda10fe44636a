// The note box: its text as the rest of the program sees it.
#include "app/FrmMain.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QString FrmMain::noteText() const {
    // The raw text keeps no-break spaces, which toPlainText() would turn into plain ones; only the separators
    // between paragraphs become line ends.
    QString text = txtData->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void FrmMain::setNoteText(const QString& text) {
    // Like a text box, the change handling runs only when the text really changes.
    if (noteText() != text) {
        txtData->setPlainText(text);
    }
}
