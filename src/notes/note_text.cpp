// The note box: its text as the rest of the program sees it.
#include "app/FrmMain.h"

#include "capture/NoteLayout.h"
#include "storage/NoteFile.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QString FrmMain::noteText() const {
    if (!m_noteTextKnown) {
        // The raw text keeps no-break spaces, which toPlainText() would turn into plain ones; only the separators
        // between paragraphs, and the line breaks that Shift+Enter types, become line ends.
        m_noteText = withBoxLineEnds(txtData->document()->toRawText());
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
