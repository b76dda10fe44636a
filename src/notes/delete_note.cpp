// Deleting a listed note: its file goes to the desktop's trash and its record leaves data.mdb, both or neither.
#include "app/FrmMain.h"

#include "categories/CategoryBox.h"
#include "common/Files.h"
#include "common/platform/Platform.h"
#include "notes/note_rows.h"
#include "storage/NoteDatabase.h"

#include <QFileInfo>
#include <QLabel>

namespace {

enum class Outcome { Deleted, RecordMissing, Failed };

struct DeleteResult {
    Outcome outcome = Outcome::Failed;
    QString reason;
};

bool present(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && (info.exists() || info.isSymLink());
}

// The record is deleted inside a transaction that commits only once the file is in the trash, so a file that
// cannot be trashed keeps its record and the note stays listed. A file that is already gone does not hold up the
// record.
DeleteResult deleteNote(Platform& platform, const QString& databasePath, const QString& filePath,
                        const QString& keyText) {
    DeleteResult result;
    bool validKey = false;
    const std::int64_t key = keyText.toLongLong(&validKey);
    if (!validKey) {
        result.outcome = Outcome::RecordMissing;
        return result;
    }
    std::unique_ptr<NoteDatabase> db = NoteDatabase::open(databasePath, &result.reason);
    if (!db || !db->begin(&result.reason)) {
        return result;
    }
    const std::optional<std::int64_t> count = db->recordCount(&result.reason);
    if (!count) {
        db->rollback();
        return result;
    }
    // An empty table has nothing to seek: the file is still trashed, as for a note without a record.
    if (*count > 0) {
        switch (db->deleteByKey(key, &result.reason)) {
        case NoteDatabase::DeleteResult::Deleted:
            break;
        case NoteDatabase::DeleteResult::NotFound:
            // The list was out of date: the note's file has no record left to keep it.
            db->rollback();
            if (present(filePath)) {
                RecycleFile(platform, filePath);
            }
            result.outcome = Outcome::RecordMissing;
            return result;
        case NoteDatabase::DeleteResult::Failed:
            db->rollback();
            return result;
        }
    }
    if (present(filePath) && !RecycleFile(platform, filePath, &result.reason)) {
        db->rollback();
        return result;
    }
    if (!db->commit(&result.reason)) {
        db->rollback();
        return result;
    }
    result.outcome = Outcome::Deleted;
    return result;
}

} // namespace

void FrmMain::cmdDeleteNote_Click() {
    // Back to the plain list, with nothing prepared.
    const auto backToTheList = [this] {
        cboChoose_Category->setFocus();
        LoadNoteList();
        leaveViewing(*this);
    };
    const int answer = platform().messageBox(QStringLiteral("Are you sure you want to delete the selected Note?"),
                                             MsgStyle::OkCancelExclamation, QStringLiteral("Scribbet"));
    // The list is used with one selected row; with none, nothing is deleted and nothing is claimed.
    const std::vector<NoteRow> selected = selectedNoteRows(*this);
    if (answer != MsgAnswer::Ok || selected.empty()) {
        backToTheList();
        return;
    }
    const int number = selected.front().number;
    const QString keyText =
        number >= 1 && static_cast<std::size_t>(number) < noteKeys.size() ? noteKeys[number] : QString();
    const DeleteResult deleted =
        deleteNote(platform(), programPath(QStringLiteral("\\data\\data.mdb")), noteFilePath(*this, number), keyText);
    if (deleted.outcome == Outcome::RecordMissing) {
        LoadNoteList();
        return;
    }
    if (deleted.outcome == Outcome::Failed) {
        platform().messageBox(QStringLiteral("The note could not be deleted.\n") + deleted.reason, MsgStyle::Critical,
                              QStringLiteral("Scribbet"));
        backToTheList();
        return;
    }
    if (noteListCount() == 1) {
        lblNumberOfNotes->setText(QStringLiteral("No Notes"));
    }
    LoadNoteList();
    leaveViewing(*this);
    platform().messageBox(QStringLiteral("The selected note has been moved to the Windows Recycle Bin."),
                          MsgStyle::Information, QStringLiteral("Scribbet"));
    cboChoose_Category_Click();
    cboChoose_Category->setFocus();
}
