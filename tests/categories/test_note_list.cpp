// The note list on the real window: rows, numbering, counts, the per-row tables, and sorting by a column.
#include "ListTests.h"
#include "TestWindow.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <map>

namespace {

QString cell(TestWindow& t, int row, int column) {
    return t->lvwNoteDatabase->model()->index(row, column).data().toString();
}

// The numbers in column "#", top to bottom.
QList<int> numbers(TestWindow& t) {
    QList<int> shown;
    for (int row = 0; row < t->noteListCount(); ++row) {
        shown << cell(t, row, 0).toInt();
    }
    return shown;
}

// A click on a column heading, where the heading can be seen.
void clickHeading(TestWindow& t, int column) {
    QHeaderView* header = t->lvwNoteDatabase->header();
    const int section = column - 1;
    QTest::mouseClick(
        header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2));
}

void showCategory(TestWindow& t, const QString& text) {
    t->setCategoryText(text);
    t->LoadNoteList();
}

} // namespace

class TestNoteList : public QObject {
    Q_OBJECT

private slots:
    void emptyTable() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Work")});
        QVERIFY(t.start());
        QCOMPARE(t->noteListCount(), 0);
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("No Notes"));
        QCOMPARE(t->number_of_data_records, QStringLiteral("0"));
    }

    void listsTheTrimmedCategoryExactlyInTableOrder() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Work")});
        std::map<QString, std::int64_t> keys;
        const std::pair<const char*, const char*> notes[] = {
            {"Work", "first"}, {"Home", "home"}, {"work", "lower"}, {" Work", "blank"}, {"Work", "second"}};
        for (const auto& [category, description] : notes) {
            keys[QString::fromLatin1(description)] =
                addNote(t.folder, QString::fromLatin1(category), QString::fromLatin1(description),
                        QStringLiteral("12/08/26"), QStringLiteral("9:15:00 AM"));
        }
        QVERIFY(t.start());
        showCategory(t, QStringLiteral("  Work  "));
        QCOMPARE(t->noteListCount(), 2);
        QCOMPARE(numbers(t), QList<int>({1, 2}));
        QCOMPARE(cell(t, 0, 1), QStringLiteral("first"));
        QCOMPARE(cell(t, 0, 2), QStringLiteral("12/08/26"));
        QCOMPARE(cell(t, 0, 3), QStringLiteral("9:15:00 AM"));
        QCOMPARE(cell(t, 1, 1), QStringLiteral("second"));
        QCOMPARE(t->notePaths.size(), size_t{3});
        QCOMPARE(t->notePaths[2], QStringLiteral("\\data\\second.txt"));
        QCOMPARE(t->noteKeys[1], QString::number(keys[QStringLiteral("first")]));
        QCOMPARE(t->noteKeys[2], QString::number(keys[QStringLiteral("second")]));
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("2 / 5 Notes"));
        QCOMPARE(t->number_of_data_records, QStringLiteral("5"));

        // Fewer rows: the tables shrink to the new rows. No rows: they stay as they were.
        showCategory(t, QStringLiteral("Home"));
        QCOMPARE(t->notePaths.size(), size_t{2});
        QCOMPARE(t->notePaths[1], QStringLiteral("\\data\\home.txt"));
        QCOMPARE(t->noteKeys[1], QString::number(keys[QStringLiteral("home")]));
        showCategory(t, QStringLiteral("Nothing"));
        QCOMPARE(t->noteListCount(), 0);
        QCOMPARE(t->notePaths.size(), size_t{2});
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("0 / 5 Notes"));
        showCategory(t, QString());
        QCOMPARE(t->noteListCount(), 0);
    }

    void aDatabaseErrorLeavesTheListAsItWas() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Work")});
        addNote(t.folder, QStringLiteral("Work"), QStringLiteral("a"));
        addNote(t.folder, QStringLiteral("Home"), QStringLiteral("b"));
        QVERIFY(t.start());
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("1 / 2 Notes"));
        t.folder.write(QStringLiteral("\\data\\data.mdb"), QByteArray(4096, 'x'));
        t->LoadNoteList();
        QCOMPARE(t->number_of_data_records, QStringLiteral("0"));
        QCOMPARE(t->noteListCount(), 1);
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("1 / 2 Notes"));
        QCOMPARE(t.platform.messages().size(), size_t{0});
    }

    // Notes that cannot be read may be there: their category is not offered for removal.
    void anUnreadableDatabaseKeepsRemoveOff() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Home"), QStringLiteral("Work")});
        t.folder.write(QStringLiteral("\\data\\data.mdb"), QByteArray(4096, 'x'));
        QVERIFY(t.start());
        for (int i = 0; i < 2; ++i) {
            t->selectCategory(i);
            QCOMPARE(t->noteListCount(), 0);
            QVERIFY(!t->cmdRemove_Category->isEnabled());
        }
    }

    void moreThan32767Records() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Bulk")});
        {
            auto db = openDatabase(t.folder);
            QVERIFY(db->begin());
            NoteRecord record;
            record.theDate = QStringLiteral("12/08/26");
            record.theTime = QStringLiteral("2:05:09 PM");
            for (int i = 1; i <= 33000; ++i) {
                record.theCategory = i % 100 == 0 ? QStringLiteral("Other") : QStringLiteral("Bulk");
                record.theDescription = QString::number(i);
                record.thePath = QStringLiteral("\\data\\%1.txt").arg(i);
                QVERIFY(db->add(record).has_value());
            }
            QVERIFY(db->commit());
        }
        QVERIFY(t.start());
        QCOMPARE(t->noteListCount(), 32670);
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("32670 / 33000 Notes"));
        QCOMPARE(t->number_of_data_records, QStringLiteral("33000"));
        QCOMPARE(cell(t, 32669, 0), QStringLiteral("32670"));
        QCOMPARE(cell(t, 32669, 1), QStringLiteral("32999"));
        QCOMPARE(t->notePaths[32670], QStringLiteral("\\data\\32999.txt"));
        QCOMPARE(t->noteKeys[32670], QStringLiteral("32999"));
    }

    void sortedRowsKeepTheirNotes() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Work")});
        struct Note {
            const char* description;
            const char* date;
            const char* time;
        };
        const Note notes[] = {{"banana", "12/07/26", "4:00:00 PM"},
                              {"Apple", "12/08/26", "9:15:00 AM"},
                              {"cherry", "12/31/99", "12:05:00 AM"},
                              {"apple2", "01/01/00", "11:59:59 PM"},
                              {"date", "not a date", "12:00:00 PM"}};
        std::map<QString, std::int64_t> keys;
        for (const Note& n : notes) {
            const QString description = QString::fromLatin1(n.description);
            keys[description] = addNote(t.folder, QStringLiteral("Work"), description, QString::fromLatin1(n.date),
                                        QString::fromLatin1(n.time));
        }
        QVERIFY(t.start());
        t->cmdOpenDatabase->click();
        QTreeView* list = t->lvwNoteDatabase;
        list->selectionModel()->select(list->model()->index(2, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

        // Every click flips the one direction of the list, whichever column it sorts.
        clickHeading(t, 1);
        QCOMPARE(numbers(t), QList<int>({5, 4, 3, 2, 1}));
        clickHeading(t, 2);
        QCOMPARE(numbers(t), QList<int>({2, 4, 1, 3, 5})); // Apple, apple2, banana, cherry, date
        t->lvwNoteDatabase_ColumnClick(3);
        QCOMPARE(numbers(t), QList<int>({2, 1, 4, 3, 5})); // latest date first, the text that is no date last
        t->lvwNoteDatabase_ColumnClick(4);
        QCOMPARE(numbers(t), QList<int>({3, 2, 5, 1, 4})); // by time of day, whatever the date
        t->lvwNoteDatabase_ColumnClick(4);
        QCOMPARE(numbers(t), QList<int>({4, 1, 5, 2, 3}));

        // Each row's number still leads to its own note, and the selected row is still the one selected.
        for (int row = 0; row < t->noteListCount(); ++row) {
            const int number = cell(t, row, 0).toInt();
            const QString description = cell(t, row, 1);
            QCOMPARE(t->notePaths[number], QStringLiteral("\\data\\") + description + QStringLiteral(".txt"));
            QCOMPARE(t->noteKeys[number], QString::number(keys[description]));
        }
        const QModelIndexList selected = list->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(cell(t, selected.front().row(), 0), QStringLiteral("3"));
        QCOMPARE(cell(t, selected.front().row(), 1), QStringLiteral("cherry"));

        // A reload shows the table order again, with nothing selected, though the notes did not change.
        list->selectionModel()->clear();
        t->LoadNoteList();
        QCOMPARE(numbers(t), QList<int>({1, 2, 3, 4, 5}));
        list->selectionModel()->select(list->model()->index(2, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        t->LoadNoteList();
        QVERIFY(!list->selectionModel()->hasSelection());
        QVERIFY(!list->currentIndex().isValid());
    }
};

int runNoteListTests(int argc, char** argv) {
    TestNoteList test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_note_list.moc"
