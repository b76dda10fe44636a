// Entering a note and saving it: the record in data.mdb and the note file, both or neither.
#include "app/FrmMain.h"

#include "app/HiddenTextBox.h"
#include "categories/CategoryBox.h"
#include "categories/CategoryText.h"
#include "common/platform/ClipboardWatcher.h"
#include "common/platform/Platform.h"
#include "storage/NoteDatabase.h"
#include "storage/NoteFile.h"
#include "storage/PendingNotes.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace {

constexpr int kKeyMode = 1;
constexpr int kKeyLength = 16;

// Save is usable only while category, description and note text all hold more than blanks.
void applySaveRule(FrmMain& w) {
    w.cmdSave->setEnabled(!TrimSpaces(w.txtName->text()).isEmpty() && !TrimSpaces(w.noteText()).isEmpty() &&
                          !TrimSpaces(w.cboChoose_Category->text()).isEmpty());
}

// The add action leaves the box on the first category of its list; the note belongs to the category typed.
void keepTypedCategory(FrmMain& w, const QString& typed) {
    CategoryBox* box = w.cboChoose_Category;
    for (int i = 0; i < box->listCount(); ++i) {
        if (box->item(i) == typed) {
            box->setListIndex(i);
            w.cboChoose_Category_Click();
            return;
        }
    }
    // Listed already under its collapsed spelling: the add action has chosen that entry.
    if (box->listIndex() >= 0 && box->text() == CollapseSpaces(typed)) {
        return;
    }
    // The category file did not take the name; the note is filed under it all the same.
    w.setCategoryText(typed);
}

// A dangling link counts too: creating the file through it would fail.
bool occupied(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

struct StoredNote {
    bool ok = false;
    QString reason;
};

// Adds the record and writes its note file in one transaction: when either fails, neither is left behind.
StoredNote storeNote(const QString& databasePath, const NoteRecord& record, const QString& notePath,
                     const QString& text) {
    StoredNote result;
    std::unique_ptr<NoteDatabase> db = NoteDatabase::open(databasePath, &result.reason);
    if (!db || !db->begin(&result.reason)) {
        return result;
    }
    const std::optional<std::int64_t> key = db->add(record, &result.reason);
    if (!key) {
        db->rollback();
        return result;
    }
    // Under its pending name until the record is committed, so that a save cut short at any moment leaves no note
    // file without a record and no record without its file (the next start finishes what was committed).
    const QString pending = pendingNotePath(notePath);
    if (!preparePendingFolder(notePath, &result.reason)) {
        db->rollback();
        return result;
    }
    const NoteWriteResult written = writeNoteFile(pending, text);
    if (!written.ok) {
        db->rollback();
        result.reason = written.error;
        return result;
    }
    if (!db->commit(&result.reason)) {
        db->rollback();
        QFile::remove(pending);
        return result;
    }
    if (!publishPendingNote(notePath, &result.reason)) {
        // Take the record back; should that fail too, the next start gives the file its name.
        if (db->deleteByKey(*key) == NoteDatabase::DeleteResult::Deleted) {
            QFile::remove(pending);
        }
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace

void FrmMain::txtData_Change() {
    applySaveRule(*this);
    const QString text = noteText();
    txtHidden->setText(text);
    clipboard().setText(text);
    clearDefaultButton(cmdOpenDatabase);
}

void FrmMain::txtName_Change() {
    applySaveRule(*this);
    clearDefaultButton(cmdOpenDatabase);
}

void FrmMain::txtData_Click() {
    clearDefaultButton(cmdAdd_category);
    clearDefaultButton(cmdSave);
    clearDefaultButton(cmdOpenDatabase);
}

void FrmMain::txtName_Click() {
    clearDefaultButton(cmdOpenDatabase);
}

void FrmMain::cmdClearDescription_Click() {
    clearDefaultButton(cmdOpenDatabase);
    txtName->setText(QString());
}

void FrmMain::cmdClearNote_Click() {
    clearDefaultButton(cmdOpenDatabase);
    setNoteText(QString());
}

void FrmMain::cmdSave_Click() {
    const QString category = TrimSpaces(cboChoose_Category->text());
    const QString description = TrimSpaces(txtName->text());
    if (cmdAdd_category->isEnabled()) {
        const QString typed = cboChoose_Category->text();
        const bool refused = !CategoryNameProblem(typed).isEmpty();
        cmdAdd_category_Click();
        if (refused) {
            // The add said why; the note stays in the window for a name the category file can keep.
            return;
        }
        keepTypedCategory(*this, typed);
    }
    if (category.isEmpty()) {
        platform().messageBox(QStringLiteral("Please choose a category.  "), MsgStyle::Exclamation,
                              QStringLiteral("Error"));
        return;
    }
    if (description.isEmpty()) {
        platform().messageBox(QStringLiteral("Please enter a title.  "), MsgStyle::Exclamation,
                              QStringLiteral("Error"));
        return;
    }

    QString key;
    QString notePath;
    do {
        key = MakeRandomKey([this] { return platform().random(); }, kKeyMode, kKeyLength);
        notePath = programPath(QStringLiteral("\\data\\") + key + QStringLiteral(".txt"));
    } while (occupied(notePath) || occupied(pendingNotePath(notePath)));

    // One reading of the clock for both, so that a save at midnight cannot mix two days.
    const QDateTime stamp = platform().now();
    NoteRecord record;
    record.theDate = QLocale::c().toString(stamp.date(), QStringLiteral("MM/dd/yy"));
    record.theTime = QLocale::c().toString(stamp.time(), QStringLiteral("h:mm:ss AP"));
    // The list matches the box's text without its surrounding blanks; stored with them, the note would never show.
    record.theCategory = TrimSpaces(cboChoose_Category->text());
    record.theDescription = txtName->text();
    record.thePath = QStringLiteral("\\data\\") + key + QStringLiteral(".txt");

    const StoredNote stored = storeNote(programPath(QStringLiteral("\\data\\data.mdb")), record, notePath, noteText());
    if (!stored.ok) {
        // The note stays in the window, so nothing typed is lost.
        platform().messageBox(QStringLiteral("The note could not be saved.\n") + stored.reason, MsgStyle::Critical,
                              QStringLiteral("Scribbet"));
        return;
    }

    NoSysIcon(chkStayOnTop->isChecked());
    cmdRemove_Category->setEnabled(false);
    setNoteText(QString());
    txtName->setText(QString());
    LoadNoteList();
}
