// Viewing, opening and deleting listed notes: the buttons and the caption of Back through each action, the reading
// error, the trash, and that a sorted list still reaches the right note.
#include "NotesFixture.h"

#include "app/HiddenTextBox.h"
#include "categories/CategoryBox.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <sqlite3.h>
#include <unistd.h>

namespace {

QString clipboardText() {
    return QGuiApplication::clipboard()->text();
}

const QString kDeleteQuestion = QStringLiteral("Are you sure you want to delete the selected Note?");
const QString kDeleted = QStringLiteral("The selected note has been moved to the Windows Recycle Bin.");

// Three notes under Apple (numbers 1 to 3 in table order) and one under Banana; the list shows Apple's.
bool startWithNotes(NotesFixture& f) {
    if (!f.start({QStringLiteral("Apple"), QStringLiteral("Banana")})) {
        return false;
    }
    f.choose(QStringLiteral("Apple"));
    f.save(QStringLiteral("Cherry"), QStringLiteral("first note"));
    f.save(QStringLiteral("apple"), QStringLiteral("second\n\nwith an empty line\n"));
    f.save(QStringLiteral("Banana"), QStringLiteral("third note"));
    f.choose(QStringLiteral("Banana"));
    f.save(QStringLiteral("elsewhere"), QStringLiteral("other category"));
    f.choose(QStringLiteral("Apple"));
    f.openList();
    return f.t->noteListCount() == 3;
}

// The note buttons and the caption of Back.
void expectButtons(NotesFixture& f, bool enabled, const QString& caption) {
    QCOMPARE(f.t->cmdOpen->isEnabled(), enabled);
    QCOMPARE(f.t->cmdDeleteNote->isEnabled(), enabled);
    QCOMPARE(f.t->cmdBack->text(), caption);
}

bool inTable(NotesFixture& f, const QString& description) {
    for (const NoteRecord& r : f.records()) {
        if (r.theDescription == description) {
            return true;
        }
    }
    return false;
}

// What the calling thread has read so far, by the kernel's count of each thread's reads.
qint64 bytesReadByThisThread() {
    QFile io(QStringLiteral("/proc/self/task/%1/io").arg(gettid()));
    if (io.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : io.readAll().split('\n')) {
            if (line.startsWith("rchar:")) {
                return line.mid(6).trimmed().toLongLong();
            }
        }
    }
    return -1;
}

NoteRecord recordOf(NotesFixture& f, const QString& description) {
    for (const NoteRecord& r : f.records()) {
        if (r.theDescription == description) {
            return r;
        }
    }
    return {};
}

} // namespace

class TestViewDelete : public QObject {
    Q_OBJECT

private slots:
    void init() { QGuiApplication::clipboard()->clear(); }

    void aClickPreparesTheNoteAndBackShowsIt() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        expectButtons(f, false, QStringLiteral("Enter Note"));
        f.clickRow(1);
        expectButtons(f, true, QStringLiteral("View Note"));
        QCOMPARE(f.t->noteText(), QStringLiteral("second\n\nwith an empty line\n"));
        QCOMPARE(f.t->txtName->text(), QStringLiteral("apple"));
        QCOMPARE(clipboardText(), f.t->noteText());
        QCOMPARE(f.t->txtHidden->text(), f.t->noteText());
        QCOMPARE(f.t->defaultButton(), f.t->cmdBack);

        // A click beside the rows selects none: the buttons go, the prepared note stays.
        QTreeView* list = f.t->lvwNoteDatabase;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 5));
        QCoreApplication::processEvents();
        QVERIFY(list->selectionModel()->selectedRows().isEmpty());
        expectButtons(f, false, QStringLiteral("View Note"));
        QCOMPARE(f.t->txtName->text(), QStringLiteral("apple"));

        QTest::mouseClick(f.t->cmdBack, Qt::LeftButton);
        QCOMPARE(f.t->currentMode, 1);
        QCOMPARE(f.t->txtName->text(), QStringLiteral("apple"));
        QCOMPARE(f.t->noteText(), QStringLiteral("second\n\nwith an empty line\n"));
        QCOMPARE(f.t.platform.messages().size(), size_t{0});
    }

    // A large note is laid out away from the window, which stays free meanwhile and takes the note when it is
    // ready; a click on another row in between has the last word.
    void aLargeNoteKeepsTheWindowFree() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        f.choose(QStringLiteral("Apple"));
        QString large;
        for (int i = 0; large.size() < 3 * 1024 * 1024; ++i) {
            large += QStringLiteral("line %1 of a long note\n").arg(i);
        }
        f.save(QStringLiteral("small"), QStringLiteral("a short note"));
        f.save(QStringLiteral("large"), large);
        f.openList();
        QCOMPARE(f.t->noteListCount(), 2);

        const qint64 fileSize = QFileInfo(f.t.folder.file(recordOf(f, QStringLiteral("large")).thePath)).size();
        const qint64 readBefore = bytesReadByThisThread();
        QVERIFY(readBefore >= 0);
        f.clickRow(1);
        expectButtons(f, true, QStringLiteral("View Note"));
        QVERIFY(f.t->noteText() != large);
        QTRY_COMPARE_WITH_TIMEOUT(f.t->noteText().size(), large.size(), 60'000);
        QCOMPARE(f.t->noteText(), large);
        // The file was read on a thread of its own: the window's thread read less than the file holds.
        QVERIFY(bytesReadByThisThread() - readBefore < fileSize);
        QCOMPARE(f.t->txtName->text(), QStringLiteral("large"));
        QCOMPARE(f.t->defaultButton(), f.t->cmdBack);

        f.clickRow(0);
        f.clickRow(1);
        f.clickRow(0);
        QCOMPARE(f.t->txtName->text(), QStringLiteral("small"));
        QTest::qWait(1500);
        QCOMPARE(f.t->noteText(), QStringLiteral("a short note"));
        QCOMPARE(f.t->txtName->text(), QStringLiteral("small"));
        QCOMPARE(f.t.platform.messages().size(), size_t{0});
    }

    void focusOnAListWithoutSelectionTakesTheButtonsAway() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        f.clickRow(0);
        // Another category with notes: its rows come unselected, and nothing else disables the buttons.
        f.choose(QStringLiteral("Banana"));
        QCOMPARE(f.t->noteListCount(), 1);
        QVERIFY(f.t->cmdOpen->isEnabled());
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(f.t->lvwNoteDatabase, &focusIn);
        expectButtons(f, false, QStringLiteral("View Note"));

        f.clickRow(0);
        QCoreApplication::sendEvent(f.t->lvwNoteDatabase, &focusIn);
        expectButtons(f, true, QStringLiteral("View Note"));
    }

    void aMissingFileEmptiesTheNoteBoxOnly() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        f.clickRow(0);
        QCOMPARE(f.t->txtName->text(), QStringLiteral("Cherry"));
        QVERIFY(QFile::remove(f.t.folder.file(recordOf(f, QStringLiteral("apple")).thePath)));
        f.clickRow(1);
        QCOMPARE(f.t->noteText(), QString());
        QCOMPARE(clipboardText(), QString());
        QCOMPARE(f.t->txtName->text(), QStringLiteral("Cherry"));
        expectButtons(f, true, QStringLiteral("View Note"));
        QCOMPARE(f.t.platform.messages().size(), size_t{0});
    }

    void anUnreadableFileGivesTheReadingError() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        f.clickRow(0);
        f.t.folder.write(recordOf(f, QStringLiteral("Banana")).thePath, QByteArray());
        f.t.platform.answer(MsgAnswer::Ok);
        f.clickRow(2);
        QCOMPARE(f.t.platform.messages().size(), size_t{1});
        const auto& message = f.t.platform.messages().front();
        QCOMPARE(message.text,
                 QStringLiteral("An error occurred reading the note file from the disk.\nError: 5 Invalid "
                                "procedure call or argument."));
        QCOMPARE(message.title, QStringLiteral("Scribbet"));
        QCOMPARE(message.style, MsgStyle::Exclamation);
        // What the earlier click loaded stays.
        QCOMPARE(f.t->noteText(), QStringLiteral("first note"));
        QCOMPARE(f.t->txtName->text(), QStringLiteral("Cherry"));
        expectButtons(f, true, QStringLiteral("View Note"));
    }

    void doubleClickAndOpenHandTheFileToTheDesktop() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        const QString path = f.t.folder.file(recordOf(f, QStringLiteral("Banana")).thePath);
        f.doubleClickRow(2);
        QCOMPARE(f.t.platform.openedFiles, QStringList{path});
        // The click before the double click prepared the note; opening returns to a fresh one.
        QCOMPARE(f.t->txtName->text(), QStringLiteral("Banana"));
        expectButtons(f, false, QStringLiteral("Enter Note"));
        QCOMPARE(f.t->lvwNoteDatabase->selectionModel()->selectedRows().size(), 1);

        f.clickRow(2);
        expectButtons(f, true, QStringLiteral("View Note"));
        QTest::mouseClick(f.t->cmdOpen, Qt::LeftButton);
        QCOMPARE(f.t.platform.openedFiles, (QStringList{path, path}));
        expectButtons(f, false, QStringLiteral("Enter Note"));

        // Back now starts a fresh note.
        QTest::mouseClick(f.t->cmdBack, Qt::LeftButton);
        QCOMPARE(f.t->txtName->text(), QString());
        QCOMPARE(f.t->noteText(), QString());
        QCOMPARE(f.t.platform.messages().size(), size_t{0});
    }

    // A tampered database, or one from another archive, may point a record anywhere: only a plain *.txt file
    // directly in data/ is a note.
    void aPathThatDoesNotLeadToANoteIsNeverReadOpenedOrTrashed() {
        const QString notRead = QStringLiteral("The note file is not in the data folder and was not read.");
        const QString removed = QStringLiteral(
            "The note was removed from the list.  Its file is not in the data folder and was left as it is.");
        const QStringList paths{QStringLiteral("\\data\\..\\outside.txt"), QStringLiteral("\\data\\data.mdb"),
                                QStringLiteral("\\data\\category.dat"),    QStringLiteral("\\data\\folder.txt"),
                                QStringLiteral("\\data\\link.txt"),        QStringLiteral("\\data\\sub\\inner.txt")};
        for (const QString& thePath : paths) {
            NotesFixture f;
            QVERIFY(startWithNotes(f));
            f.t.folder.write(QStringLiteral("\\outside.txt"), "not a note\r\n");
            QVERIFY(QDir().mkpath(f.t.folder.file(QStringLiteral("\\data\\folder.txt"))));
            QVERIFY(QDir().mkpath(f.t.folder.file(QStringLiteral("\\data\\sub"))));
            f.t.folder.write(QStringLiteral("\\data\\sub\\inner.txt"), "in a folder\r\n");
            QVERIFY(QFile::link(QStringLiteral("../outside.txt"), f.t.folder.file(QStringLiteral("\\data\\link.txt"))));
            const QByteArray before = f.t.folder.read(thePath);
            sqlite3* db = nullptr;
            QCOMPARE(
                sqlite3_open(QFile::encodeName(f.t.folder.file(QStringLiteral("\\data\\data.mdb"))).constData(), &db),
                SQLITE_OK);
            const QByteArray tamper =
                "UPDATE data SET thePath = '" + thePath.toUtf8() + "' WHERE theKey = " + f.t->noteKeys[1].toLatin1();
            const int changed = sqlite3_exec(db, tamper.constData(), nullptr, nullptr, nullptr);
            sqlite3_close(db);
            QCOMPARE(changed, SQLITE_OK);
            f.t->LoadNoteList();

            f.clickRow(1);
            f.t.platform.answer(MsgAnswer::Ok);
            f.clickRow(0);
            QCOMPARE(f.t->noteText(), QStringLiteral("second\n\nwith an empty line\n"));
            f.t.platform.answer(MsgAnswer::Ok);
            QTest::mouseClick(f.t->cmdOpen, Qt::LeftButton);
            f.t.platform.answer(MsgAnswer::Ok);
            f.t->lvwNoteDatabase_DblClick();
            QVERIFY(f.t.platform.openedFiles.isEmpty());
            QCOMPARE(f.t.platform.messages().size(), size_t{3});
            for (const auto& message : f.t.platform.messages()) {
                QCOMPARE(message.text, notRead);
                QCOMPARE(message.style, MsgStyle::Exclamation);
                QCOMPARE(message.title, QStringLiteral("Scribbet"));
            }

            f.t.platform.clearMessages();
            f.t.platform.answer(MsgAnswer::Ok);
            f.clickRow(0);
            f.t.platform.answer(MsgAnswer::Ok);
            f.t.platform.answer(MsgAnswer::Ok);
            QTest::mouseClick(f.t->cmdDeleteNote, Qt::LeftButton);
            QCOMPARE(f.t.platform.messages().size(), size_t{3});
            QCOMPARE(f.t.platform.messages()[1].text, kDeleteQuestion);
            QCOMPARE(f.t.platform.messages()[2].text, removed);
            QCOMPARE(f.t.platform.messages()[2].style, MsgStyle::Information);
            QVERIFY(f.t.platform.trashedFiles.isEmpty());
            // The database itself changes by the record; every other target is as it was.
            if (!thePath.endsWith(QStringLiteral(".mdb"))) {
                QCOMPARE(f.t.folder.read(thePath), before);
            }
            QCOMPARE(f.t.folder.read(QStringLiteral("\\outside.txt")), QByteArray("not a note\r\n"));
            QVERIFY(QFileInfo(f.t.folder.file(QStringLiteral("\\data\\link.txt"))).isSymLink());
            QVERIFY(!inTable(f, QStringLiteral("Cherry")));
            QCOMPARE(f.records().size(), size_t{3});
            QCOMPARE(f.t->noteListCount(), 2);
            expectButtons(f, false, QStringLiteral("Enter Note"));
            QCOMPARE(f.t.platform.pendingAnswers(), 0);
            QCOMPARE(f.t.platform.unexpectedMessages(), 0);
        }
    }

    void deleteSendsTheFileToTheTrashAndTheRecordAway() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        const NoteRecord target = recordOf(f, QStringLiteral("apple"));
        const QString path = f.t.folder.file(target.thePath);
        f.clickRow(1);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t.platform.answer(MsgAnswer::Ok);
        QTest::mouseClick(f.t->cmdDeleteNote, Qt::LeftButton);

        QCOMPARE(f.t.platform.messages().size(), size_t{2});
        QCOMPARE(f.t.platform.messages()[0].text, kDeleteQuestion);
        QCOMPARE(f.t.platform.messages()[0].style, MsgStyle::OkCancelExclamation);
        QCOMPARE(f.t.platform.messages()[0].title, QStringLiteral("Scribbet"));
        QCOMPARE(f.t.platform.messages()[1].text, kDeleted);
        QCOMPARE(f.t.platform.messages()[1].style, MsgStyle::Information);
        QCOMPARE(f.t.platform.trashedFiles, QStringList{path});
        QVERIFY(!QFile::exists(path));
        QCOMPARE(QDir(f.trash.path()).entryList(QDir::Files).size(), 1);
        QVERIFY(!inTable(f, QStringLiteral("apple")));
        QCOMPARE(f.records().size(), size_t{3});
        QCOMPARE(f.t->noteListCount(), 2);
        QCOMPARE(f.t->lblNumberOfNotes->text(), QStringLiteral("2 / 3 Notes"));
        expectButtons(f, false, QStringLiteral("Enter Note"));
        QCOMPARE(f.t->focusWidget(), f.t->cboChoose_Category);
        QCOMPARE(f.t.platform.pendingAnswers(), 0);
    }

    void cancelKeepsTheNoteAndResetsTheButtons() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        f.clickRow(0);
        f.t.platform.answer(MsgAnswer::Cancel);
        QTest::mouseClick(f.t->cmdDeleteNote, Qt::LeftButton);
        QCOMPARE(f.t.platform.messages().size(), size_t{1});
        QCOMPARE(f.records().size(), size_t{4});
        QCOMPARE(f.noteFiles().size(), 4);
        QVERIFY(f.t.platform.trashedFiles.isEmpty());
        QCOMPARE(f.t->noteListCount(), 3);
        QVERIFY(f.t->lvwNoteDatabase->selectionModel()->selectedRows().isEmpty());
        expectButtons(f, false, QStringLiteral("Enter Note"));
    }

    void withNothingSelectedNothingIsDeletedOrClaimed() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        f.clickRow(0);
        f.t->lvwNoteDatabase->selectionModel()->clearSelection();
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->cmdDeleteNote_Click();
        QCOMPARE(f.t.platform.messages().size(), size_t{1});
        QCOMPARE(f.records().size(), size_t{4});
        QVERIFY(f.t.platform.trashedFiles.isEmpty());
        expectButtons(f, false, QStringLiteral("Enter Note"));
    }

    void aNoteDeletedElsewhereOnlyReloadsTheList() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        const NoteRecord gone = recordOf(f, QStringLiteral("Cherry"));
        f.clickRow(0);
        {
            const auto db = NoteDatabase::open(f.t.folder.file(QStringLiteral("\\data\\data.mdb")));
            QVERIFY(db && db->deleteByKey(gone.theKey) == NoteDatabase::DeleteResult::Deleted);
        }
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->cmdDeleteNote_Click();
        // No record was there to delete: no claim, and the list shows what the table holds.
        QCOMPARE(f.t.platform.messages().size(), size_t{1});
        QCOMPARE(f.t->noteListCount(), 2);
        QCOMPARE(f.records().size(), size_t{3});
        QCOMPARE(f.t.platform.trashedFiles, QStringList{f.t.folder.file(gone.thePath)});
    }

    void deletingTheLastNotesEmptiesTheList() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple"), QStringLiteral("Banana")}));
        f.save(QStringLiteral("only"), QStringLiteral("text"));
        f.choose(QStringLiteral("Banana"));
        f.save(QStringLiteral("other"), QStringLiteral("text"));
        f.choose(QStringLiteral("Apple"));
        f.openList();

        // The only note of a category while another remains.
        f.clickRow(0);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->cmdDeleteNote_Click();
        QCOMPARE(f.t->noteListCount(), 0);
        QCOMPARE(f.t->lblNumberOfNotes->text(), QStringLiteral("0 / 1 Note"));

        // The only note of the table.
        f.choose(QStringLiteral("Banana"));
        f.clickRow(0);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->cmdDeleteNote_Click();
        QCOMPARE(f.t->noteListCount(), 0);
        QCOMPARE(f.t->lblNumberOfNotes->text(), QStringLiteral("No Notes"));
        QCOMPARE(f.records().size(), size_t{0});
        QVERIFY(f.noteFiles().isEmpty());
        QCOMPARE(f.t.platform.pendingAnswers(), 0);
        QCOMPARE(f.t.platform.unexpectedMessages(), 0);
    }

    void aNoteWhoseFileIsGoneIsStillDeleted() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        QVERIFY(QFile::remove(f.t.folder.file(recordOf(f, QStringLiteral("Cherry")).thePath)));
        f.clickRow(0);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->cmdDeleteNote_Click();
        QVERIFY(!inTable(f, QStringLiteral("Cherry")));
        QCOMPARE(f.t.platform.messages().back().text, kDeleted);
        QCOMPARE(f.t->noteListCount(), 2);
    }

    // Where no trash can take the file, the user may delete the note for good, as in the desktop's file managers.
    void aFileThatCannotBeTrashedIsDeletedForGoodOnlyWhenTheUserSaysSo() {
        const QString question =
            QStringLiteral("The note cannot be moved to the trash.  Do you want to delete it permanently?");
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        const QString path = f.t.folder.file(recordOf(f, QStringLiteral("Banana")).thePath);
        f.t.platform.trash.fail = true;
        for (const int choice : {MsgAnswer::Cancel, MsgAnswer::Ok}) {
            f.t.platform.clearMessages();
            f.clickRow(2);
            f.t.platform.answer(MsgAnswer::Ok);
            f.t.platform.answer(choice);
            if (choice == MsgAnswer::Ok) {
                f.t.platform.answer(MsgAnswer::Ok);
            }
            f.t->cmdDeleteNote_Click();
            const auto& messages = f.t.platform.messages();
            QCOMPARE(messages.size(), choice == MsgAnswer::Ok ? size_t{3} : size_t{2});
            QCOMPARE(messages[1].text, question);
            QCOMPARE(messages[1].style, MsgStyle::OkCancelExclamation);
            QCOMPARE(messages[1].title, QStringLiteral("Scribbet"));
            QCOMPARE(QFile::exists(path), choice == MsgAnswer::Cancel);
            QCOMPARE(inTable(f, QStringLiteral("Banana")), choice == MsgAnswer::Cancel);
            QCOMPARE(f.t->noteListCount(), choice == MsgAnswer::Cancel ? 3 : 2);
            expectButtons(f, false, QStringLiteral("Enter Note"));
        }
        QCOMPARE(f.t.platform.messages().back().text, QStringLiteral("The selected note has been deleted."));
        QCOMPARE(f.t.platform.messages().back().style, MsgStyle::Information);
        QCOMPARE(f.noteFiles().size(), 3);
        QVERIFY(!QDir(f.t.folder.file(QStringLiteral("\\data\\.pending"))).exists(QFileInfo(path).fileName()));
        QCOMPARE(f.t.platform.unexpectedMessages(), 0);
    }

    void aDatabaseThatCannotBeChangedKeepsTheFile() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        const QString path = f.t.folder.file(recordOf(f, QStringLiteral("Cherry")).thePath);
        f.clickRow(0);
        f.t.folder.write(QStringLiteral("\\data\\data.mdb"), QByteArray(4096, 'x'));
        f.t.platform.answer(MsgAnswer::Ok);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->cmdDeleteNote_Click();
        QCOMPARE(f.t.platform.messages().size(), size_t{2});
        QVERIFY(f.t.platform.messages().back().text.startsWith(QStringLiteral("The note could not be deleted.\n")));
        QCOMPARE(f.t.platform.messages().back().style, MsgStyle::Critical);
        QVERIFY(QFile::exists(path));
        QVERIFY(f.t.platform.trashedFiles.isEmpty());
    }

    void aSortedListStillLeadsToEachRowsOwnNote() {
        NotesFixture f;
        QVERIFY(startWithNotes(f));
        f.t->lvwNoteDatabase_ColumnClick(2);
        // Whichever the direction, "Banana" (number 3) now stands in the middle.
        const int row = f.rowOf(QStringLiteral("Banana"));
        QCOMPARE(row, 1);
        QCOMPARE(f.t->lvwNoteDatabase->model()->index(row, 0).data().toString(), QStringLiteral("3"));

        f.clickRow(row);
        QCOMPARE(f.t->noteText(), QStringLiteral("third note"));
        const NoteRecord target = recordOf(f, QStringLiteral("Banana"));
        f.t.platform.answer(MsgAnswer::Ok);
        f.t.platform.answer(MsgAnswer::Ok);
        QTest::mouseClick(f.t->cmdDeleteNote, Qt::LeftButton);
        QCOMPARE(f.t.platform.trashedFiles, QStringList{f.t.folder.file(target.thePath)});
        QVERIFY(!inTable(f, QStringLiteral("Banana")));
        QVERIFY(inTable(f, QStringLiteral("Cherry")));
        QVERIFY(inTable(f, QStringLiteral("apple")));
        QCOMPARE(f.noteFiles().size(), 3);
    }
};

QTEST_MAIN(TestViewDelete)
#include "test_view_delete.moc"
