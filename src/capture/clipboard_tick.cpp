// The clipboard watch: text copied in another program becomes the note being written.
#include "app/FrmMain.h"

#include "app/HiddenTextBox.h"
#include "capture/NoteLayout.h"
#include "categories/CategoryBox.h"
#include "common/platform/ClipboardWatcher.h"
#include "notes/note_rows.h"
#include "storage/NoteFile.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

namespace {

// A minimised window counts as put aside: without a tray, that is where the window goes instead.
bool onScreen(const QWidget* window) {
    return window->isVisible() && !window->isMinimized();
}

// Outside a capture the clipboard holds the note text (every change of the note puts it there), or what the user
// copied in the program's own fields; neither is text copied elsewhere. The note box holds every line break as LF, so
// text that another program copies with CR LF is compared with its line breaks made the same.
bool holdsNote(const ClipboardContent& clipboard, const QString& note) {
    return clipboard.ownCopy || withBoxLineEnds(clipboard.text) == note;
}

void takeCopiedText(FrmMain& w, const ClipboardContent& clipboard) {
    if (holdsNote(clipboard, w.noteText())) {
        return;
    }
    w.txtHidden->setText(w.noteText());
    if (clipboard.hasText && !clipboard.text.isEmpty()) {
        w.txtName->setText(QString());
        w.currentMode = 1;
        w.ShowEnterView();
        w.setDefaultButton(w.cmdSave);
        if (!w.chkAppend->isChecked()) {
            w.setNoteText(clipboard.text);
        } else {
            // The note box keeps "\n" line ends; the note file gets CR LF when it is written.
            w.setNoteText(w.noteText() + QLatin1Char('\n') + clipboard.text);
            w.clipboard().setText(w.noteText());
        }
        if (w.chkPopUp->isChecked()) {
            // Straight to the screen, not through NoSysIcon: the tray item keeps its caption.
            if (w.isMinimized()) {
                w.showNormal();
            } else {
                w.show();
            }
            w.raise();
            w.activateWindow();
            w.cboChoose_Category->setFocus();
            w.setDefaultButton(w.cmdOpenDatabase);
        }
    }
    if (!onScreen(&w) && w.txtHidden->text() != w.noteText() && w.chkPopUp->isChecked()) {
        w.NoSysIcon(true);
    }
    QCoreApplication::processEvents();
}

} // namespace

void FrmMain::Timer1_Timer() {
    // The clipboard is read only when it changed since the last read. A read from another program, and the layout of
    // a large text, run elsewhere and end in captureReady(), which ticks again; until then there is nothing new.
    // Nor is it read while a Backup or Restore works, or while a handler waits for the answer to its message box: a
    // capture waits until it has ended.
    if (m_noteLayout->preparing() || handlerWaiting() || !m_clipboard->read()) {
        return;
    }
    // A copy: the capture replaces the watcher's content with the note through the note's change handler.
    const ClipboardContent clipboard = m_clipboard->content();
    // A large text to be taken is laid out away from the window first.
    if (clipboard.hasText && !clipboard.text.isEmpty() && !holdsNote(clipboard, noteText())) {
        const QString note = chkAppend->isChecked() ? noteText() + QLatin1Char('\n') + clipboard.text : clipboard.text;
        if (NoteLayout::isLarge(note) && !m_noteLayout->isReady(note)) {
            m_noteLayout->prepare(note);
            return;
        }
    }
    takeCopiedText(*this, clipboard);
    // Once the last change is read, every further tick would end at its first step until the clipboard changes
    // again; the clock rests until then, and the program costs nothing while it waits.
    if (m_clipboard->announcesChanges() && !m_clipboard->changed() && Timer1->isActive()) {
        Timer1->stop();
        m_timer1Resting = true;
    }
}

void FrmMain::clipboardChanged() {
    if (m_timer1Resting && !m_unloaded) {
        m_timer1Resting = false;
        Timer1->start();
    }
}

void FrmMain::captureReady() {
    if (Timer1->isActive()) {
        Timer1_Timer();
    }
    // A note being viewed waited for its document (or for a capture's layout to end first). It is shown only while
    // the list still has its row selected: a click elsewhere, Back or a reload has moved on.
    if (!m_pendingView || m_noteLayout->preparing()) {
        return;
    }
    const std::vector<NoteRow> selected = selectedNoteRows(*this);
    if (selected.empty() || selected.front().number != m_pendingView->number ||
        cmdBack->text() != QStringLiteral("View Note") || !lvwNoteDatabase->isVisibleTo(this)) {
        m_pendingView.reset();
        return;
    }
    if (m_noteLayout->isReady(m_pendingView->text)) {
        const PendingView view = *m_pendingView;
        showViewedNote(view.description, view.text);
    } else {
        m_noteLayout->prepare(m_pendingView->text);
    }
}
