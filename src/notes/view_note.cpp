// Viewing a listed note in the window, and opening its file with the desktop's editor.
#include "app/FrmMain.h"

#include "capture/NoteLayout.h"
#include "categories/CategoryBox.h"
#include "common/Files.h"
#include "common/platform/ClipboardWatcher.h"
#include "common/platform/Platform.h"
#include "common/platform/ThreadPriority.h"
#include "notes/note_rows.h"
#include "storage/NoteFile.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <memory>

namespace {

// Files from this size on are read away from the window: a megabyte reads in a few milliseconds.
constexpr qint64 kLargeNoteFile = 1024 * 1024;

void disableNoteButtons(FrmMain& w) {
    w.cmdDeleteNote->setEnabled(false);
    w.cmdOpen->setEnabled(false);
}

void reportNotRead(Platform& platform) {
    platform.messageBox(QStringLiteral("The note file is not in the data folder and was not read."),
                        MsgStyle::Exclamation, QStringLiteral("Scribbet"));
}

// Hands a note file to the desktop's editor; a path that does not lead to a note is not handed anywhere.
void openNote(FrmMain& w, const NotePathCheck& note) {
    if (note.place == NotePlace::Outside) {
        reportNotRead(w.platform());
    } else {
        w.ShellOpen(note.path);
    }
}

} // namespace

void FrmMain::lvwNoteDatabase_Click() {
    m_pendingView.reset();
    // A note still being read for an earlier click is not shown.
    ++m_noteReadTicket;
    const std::vector<NoteRow> selected = selectedNoteRows(*this);
    if (selected.empty()) {
        disableNoteButtons(*this);
        return;
    }
    const NoteRow& row = selected.front();
    cmdBack->setText(QStringLiteral("View Note"));
    cmdDeleteNote->setEnabled(true);
    cmdOpen->setEnabled(true);

    const NotePathCheck note = noteFileOf(*this, row.number);
    if (note.place == NotePlace::Outside) {
        reportNotRead(platform());
        return;
    }
    if (!FileExists(note.path)) {
        setNoteText(QString());
        return;
    }
    // A large file would hold the window while it is read (a second for a hundred megabytes): it is read on a thread
    // of its own, and the view goes on when the text is there, if the row is still the one being viewed.
    if (QFileInfo(note.path).size() >= kLargeNoteFile) {
        const std::uint64_t ticket = ++m_noteReadTicket;
        auto read = std::make_shared<NoteReadResult>();
        QThread* reader = QThread::create([read, path = note.path] {
            giveWayToTheWindow();
            *read = readNoteFile(path);
        });
        m_noteReaders.push_back(reader);
        connect(reader, &QThread::finished, this, [this, reader, read, ticket, row] {
            m_noteReaders.erase(std::find(m_noteReaders.begin(), m_noteReaders.end(), reader));
            reader->deleteLater();
            const std::vector<NoteRow> selected = selectedNoteRows(*this);
            if (ticket == m_noteReadTicket && !selected.empty() && selected.front().number == row.number &&
                cmdBack->text() == QStringLiteral("View Note")) {
                viewNoteText(row.number, row.description, *read);
            }
        });
        reader->start();
        return;
    }
    viewNoteText(row.number, row.description, readNoteFile(note.path));
}

void FrmMain::viewNoteText(int number, const QString& description, const NoteReadResult& read) {
    if (!read.ok) {
        platform().messageBox(QStringLiteral("An error occurred reading the note file from the disk.") +
                                  QStringLiteral("\n") + QStringLiteral("Error: ") + QString::number(read.errorNumber) +
                                  QStringLiteral(" ") + read.errorDescription + QStringLiteral("."),
                              MsgStyle::Exclamation, QStringLiteral("Scribbet"));
        return;
    }
    // A large note would hold the window for seconds: it is laid out away from it first, and the view ends when
    // its document is ready (see captureReady).
    if (NoteLayout::isLarge(read.text) && read.text != noteText() && !m_noteLayout->isReady(read.text)) {
        m_pendingView = PendingView{number, description, read.text};
        if (!m_noteLayout->preparing()) {
            m_noteLayout->prepare(read.text);
        }
        return;
    }
    showViewedNote(description, read.text);
}

void FrmMain::showViewedNote(const QString& description, const QString& text) {
    m_pendingView.reset();
    setNoteText(text);
    txtName->setText(description);
    clipboard().setText(noteText());
    setDefaultButton(cmdBack);
}

void FrmMain::lvwNoteDatabase_DblClick() {
    for (const NoteRow& row : selectedNoteRows(*this)) {
        openNote(*this, noteFileOf(*this, row.number));
        leaveViewing(*this);
    }
    cboChoose_Category->setFocus();
}

void FrmMain::cmdOpen_Click() {
    for (const NoteRow& row : selectedNoteRows(*this)) {
        openNote(*this, noteFileOf(*this, row.number));
    }
    if (noteRowCount(*this) > 0) {
        leaveViewing(*this);
    }
    cboChoose_Category->setFocus();
}

void FrmMain::lvwNoteDatabase_GotFocus() {
    if (selectedNoteRows(*this).empty()) {
        disableNoteButtons(*this);
    }
}

void FrmMain::ShellOpen(const QString& path) {
    platform().openFile(path);
}
