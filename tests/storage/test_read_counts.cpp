// The note list reads what it shows and little else: the database pages and statements that filling it costs grow
// with the notes of the chosen category, not with the table. Counted, not timed, so that it holds on any machine.
#include "TestWindow.h"

#include "storage/NoteDatabase.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

namespace {

// Adds count records in one transaction, record i under categoryOf(i): the notes of a category lie spread over the
// table, as notes saved over the years do.
template <typename CategoryOf> void addNotes(const TestFolder& folder, int count, CategoryOf categoryOf) {
    const auto db = NoteDatabase::open(folder.file(QStringLiteral("\\data\\data.mdb")));
    QVERIFY(db && db->begin());
    NoteRecord record;
    record.theDate = QStringLiteral("12/08/26");
    record.theTime = QStringLiteral("2:05:09 PM");
    for (int i = 0; i < count; ++i) {
        record.theCategory = categoryOf(i);
        record.theDescription = QStringLiteral("note number %1 of %2").arg(i).arg(record.theCategory);
        record.thePath = QStringLiteral("\\data\\AbCdEfGhIjKl%1.txt").arg(i, 4, 10, QLatin1Char('0'));
        QVERIFY(db->add(record));
    }
    QVERIFY(db->commit());
}

struct Cost {
    std::uint64_t statements = 0;
    std::uint64_t pages = 0;
};

// What listing the category costs, on the window as the user reaches it.
Cost listCost(TestWindow& t, const QString& category) {
    t->setCategoryText(category);
    const NoteDatabase::Reads before = NoteDatabase::reads();
    t->LoadNoteList();
    const NoteDatabase::Reads after = NoteDatabase::reads();
    return {after.statements - before.statements, after.pages - before.pages};
}

} // namespace

class TestReadCounts : public QObject {
    Q_OBJECT

private slots:
    void listingCostsFollowTheCategoryNotTheTable() {
        TestWindow t;
        t.folder.makeData();
        t.folder.write(QStringLiteral("\\data\\category.dat"), "[main]\r\ntotal=1\r\n[category]\r\n1=Few\r\n");
        addNotes(t.folder, 41'000, [](int i) {
            return i % 4100 == 7 ? QStringLiteral("Few")
                   : i % 41 == 0 ? QStringLiteral("Many")
                                 : QStringLiteral("Bulk");
        });
        QVERIFY(t.start());
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("10 / 41000 Notes"));

        // A hundred times the notes: the same statements, and the index pages that hold them (about 40 to a page);
        // fetching each row from the table would read a page for nearly every note.
        const Cost many = listCost(t, QStringLiteral("Many"));
        QCOMPARE(t->noteListCount(), 1'000);
        const Cost few = listCost(t, QStringLiteral("Few"));
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("10 / 41000 Notes"));
        // Opening (the schema and a few pragmas), the count and the rows: a record count read by scanning 41,000
        // keys, or rows fetched from the table one by one, would cost far more.
        QVERIFY2(few.pages <= 12, qPrintable(QString::number(few.pages)));
        QVERIFY2(few.statements <= 8, qPrintable(QString::number(few.statements)));
        QCOMPARE(many.statements, few.statements);
        QVERIFY2(many.pages <= few.pages + 40, qPrintable(QString::number(many.pages)));

        // Twice the table: the same category is read again, at the same cost, give or take a level of the index.
        addNotes(t.folder, 40'000, [](int) { return QStringLiteral("Bulk"); });
        const Cost later = listCost(t, QStringLiteral("Few"));
        QCOMPARE(t->lblNumberOfNotes->text(), QStringLiteral("10 / 81000 Notes"));
        QCOMPARE(later.statements, few.statements);
        QVERIFY2(later.pages <= few.pages + 3, qPrintable(QString::number(later.pages)));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestReadCounts tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "test_read_counts.moc"
