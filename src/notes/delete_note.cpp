// Deleting a listed note: its file goes to the desktop's trash and its record leaves data.mdb, both or neither.
#include "app/FrmMain.h"

#include "categories/CategoryBox.h"
#include "common/Files.h"
#include "common/platform/Platform.h"
#include "notes/note_rows.h"
#include "storage/NoteDatabase.h"
#include "storage/NotePath.h"
#include "storage/PendingNotes.h"

#include <QFile>
#include <QLabel>

namespace {

// What becomes of the note's file.
enum class Disposal {
    Trash,      // into the desktop's trash
    ForGood,    // removed, when no trash can take it and the user agreed
    RecordOnly, // left alone: the path does not lead to a note
};

enum class Outcome { Deleted, RecordMissing, NoTrash, Failed };

struct DeleteResult {
    Outcome outcome = Outcome::Failed;
    QString reason;
};

// The record's removal commits only once the file is safe in the trash, and the file leaves the data folder only
// through its pending name while the removal waits. So wherever the program is cut short, the note is either still
// listed with its file (the next start moves a set-aside file back) or gone from the list with its file in the
// trash (the next start removes the set-aside one). A file that is already gone does not hold up the record.
DeleteResult deleteNote(Platform& platform, const QString& databasePath, const NotePathCheck& file,
                        const QString& keyText, Disposal disposal) {
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
            if (file.place == NotePlace::Note && disposal == Disposal::Trash) {
                RecycleFile(platform, file.path);
            }
            result.outcome = Outcome::RecordMissing;
            return result;
        case NoteDatabase::DeleteResult::Failed:
            db->rollback();
            return result;
        }
    }
    const bool setAside = file.place == NotePlace::Note && disposal != Disposal::RecordOnly;
    if (setAside) {
        if (disposal == Disposal::Trash) {
            const TrashResult trashed = platform.copyToTrash(file.path);
            if (!trashed.ok) {
                db->rollback();
                result.outcome = Outcome::NoTrash;
                result.reason = trashed.reason;
                return result;
            }
        }
        if (!setAsidePendingNote(file.path, &result.reason)) {
            db->rollback();
            return result;
        }
    }
    if (!db->commit(&result.reason)) {
        db->rollback();
        if (setAside) {
            publishPendingNote(file.path);
        }
        return result;
    }
    if (setAside) {
        QFile::remove(pendingNotePath(file.path));
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
    const QString databasePath = programPath(QStringLiteral("\\data\\data.mdb"));
    const NotePathCheck file = noteFileOf(*this, number);
    Disposal disposal = file.place == NotePlace::Outside ? Disposal::RecordOnly : Disposal::Trash;
    DeleteResult deleted = deleteNote(platform(), databasePath, file, keyText, disposal);
    if (deleted.outcome == Outcome::NoTrash) {
        // As the desktop's file managers do.
        if (platform().messageBox(
                QStringLiteral("The note cannot be moved to the trash.  Do you want to delete it permanently?"),
                MsgStyle::OkCancelExclamation, QStringLiteral("Scribbet")) != MsgAnswer::Ok) {
            backToTheList();
            return;
        }
        disposal = Disposal::ForGood;
        deleted = deleteNote(platform(), databasePath, file, keyText, disposal);
    }
    if (deleted.outcome == Outcome::RecordMissing) {
        LoadNoteList();
        return;
    }
    if (deleted.outcome != Outcome::Deleted) {
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
    const QString done =
        disposal == Disposal::Trash     ? QStringLiteral("The selected note has been moved to the Windows Recycle Bin.")
        : disposal == Disposal::ForGood ? QStringLiteral("The selected note has been deleted.")
                                        : QStringLiteral("The note was removed from the list.  Its file is not in the "
                                                         "data folder and was left as it is.");
    platform().messageBox(done, MsgStyle::Information, QStringLiteral("Scribbet"));
    cboChoose_Category_Click();
    cboChoose_Category->setFocus();
}
