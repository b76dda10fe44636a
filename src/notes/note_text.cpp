// The note box: its text as the rest of the program sees it.
#include "app/FrmMain.h"

#include "capture/NoteLayout.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QString FrmMain::noteText() const {
    if (!m_noteTextKnown) {
        // The raw text keeps no-break spaces, which toPlainText() would turn into plain ones; only the separators
        // between paragraphs become line ends.
        m_noteText = txtData->document()->toRawText();
        m_noteText.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        m_noteTextKnown = true;
    }
    return m_noteText;
}

void FrmMain::setNoteText(const QString& text) {
    // Like a text box, the change handling runs only when the text really changes.
    if (noteText() != text && !m_noteLayout->show(text)) {
        txtData->setPlainText(text);
    }
    releaseMemorySoon();
}
