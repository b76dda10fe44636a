// The category box, its counts, and adding and removing categories, on the real window.
#include "ListTests.h"
#include "TestWindow.h"

#include "categories/CategoryBox.h"
#include "storage/KeyFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

namespace {

const QString kAlreadyExists = QStringLiteral("That category already exists.  ");
const QString kRemoveQuestion = QStringLiteral("Are you sure you want to remove the selected category?");

// The user picks item i from the drop-down list.
void choose(TestWindow& t, int i) {
    t->cboChoose_Category->setCurrentIndex(i);
    emit t->cboChoose_Category->activated(i);
}

// The user replaces the box's text by typing.
void type(TestWindow& t, const QString& text) {
    QLineEdit* edit = t->cboChoose_Category->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QStringList items(TestWindow& t) {
    QStringList list;
    for (int i = 0; i < t->cboChoose_Category->listCount(); ++i) {
        list << t->cboChoose_Category->item(i);
    }
    return list;
}

QString fileValue(TestWindow& t, const char* section, const char* key) {
    return keyfile::readValue(t.folder.file(QStringLiteral("\\data\\category.dat")), QString::fromLatin1(section),
                              QString::fromLatin1(key))
        .value_or(QStringLiteral("<missing>"));
}

QString categoryCaption(TestWindow& t) {
    return t->lblNumberOfCategories->text();
}
QString noteCaption(TestWindow& t) {
    return t->lblNumberOfNotes->text();
}

} // namespace

class TestCategories : public QObject {
    Q_OBJECT

private slots:
    void noCategories() {
        TestWindow t;
        QVERIFY(t.start());
        QCOMPARE(categoryCaption(t), QStringLiteral("No Categories"));
        QCOMPARE(noteCaption(t), QStringLiteral("No Notes"));
        QCOMPARE(t->cboChoose_Category->listCount(), 0);
        QCOMPARE(t->cboChoose_Category->listIndex(), -1);
        QVERIFY(!t->cmdAdd_category->isEnabled());
        QVERIFY(!t->cmdRemove_Category->isEnabled());
        QCOMPARE(t.platform.messages().size(), size_t{0});
    }

    void oneCategoryAndItsNotes() {
        {
            // The only note is filed elsewhere: the category can go.
            TestWindow t;
            t.folder.makeData();
            writeCategories(t.folder, {QStringLiteral("Work")});
            addNote(t.folder, QStringLiteral("Home"), QStringLiteral("a"));
            QVERIFY(t.start());
            QCOMPARE(categoryCaption(t), QStringLiteral("1 / 1 Category"));
            QCOMPARE(noteCaption(t), QStringLiteral("0 / 1 Note"));
            QCOMPARE(t->cboChoose_Category->text(), QStringLiteral("Work"));
            QVERIFY(!t->cmdAdd_category->isEnabled());
            QVERIFY(t->cmdRemove_Category->isEnabled());
        }
        {
            // A category that still has a note cannot be removed.
            TestWindow t;
            t.folder.makeData();
            writeCategories(t.folder, {QStringLiteral("Work")});
            addNote(t.folder, QStringLiteral("Work"), QStringLiteral("a"));
            QVERIFY(t.start());
            QCOMPARE(noteCaption(t), QStringLiteral("1 / 1 Note"));
            QCOMPARE(t->noteListCount(), 1);
            QVERIFY(!t->cmdRemove_Category->isEnabled());
        }
    }

    void choosingACategoryRefreshesCountsAndButtons() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                                   QStringLiteral("e")});
        for (const char* category : {"a", "a", "b", "b", "d"}) {
            addNote(t.folder, QString::fromLatin1(category), QStringLiteral("n"));
        }
        QVERIFY(t.start());
        QCOMPARE(categoryCaption(t), QStringLiteral("1 / 5 Categories"));
        QCOMPARE(noteCaption(t), QStringLiteral("2 / 5 Notes"));
        t->cmdOpenDatabase->click();
        QVERIFY(!t->cmdRemove_Category->isEnabled());

        // A row was selected: Open and Delete are on until a category without notes is chosen.
        t->cmdOpen->setEnabled(true);
        t->cmdDeleteNote->setEnabled(true);
        choose(t, 2);
        QCOMPARE(t->cboChoose_Category->text(), QStringLiteral("c"));
        QCOMPARE(categoryCaption(t), QStringLiteral("3 / 5 Categories"));
        QCOMPARE(noteCaption(t), QStringLiteral("0 / 5 Notes"));
        QVERIFY(t->cmdRemove_Category->isEnabled());
        QVERIFY(!t->cmdOpen->isEnabled());
        QVERIFY(!t->cmdDeleteNote->isEnabled());
        QVERIFY(!t->cmdAdd_category->isEnabled());

        choose(t, 1);
        QCOMPARE(categoryCaption(t), QStringLiteral("2 / 5 Categories"));
        QCOMPARE(noteCaption(t), QStringLiteral("2 / 5 Notes"));
        QCOMPARE(t->noteListCount(), 2);
        QVERIFY(!t->cmdRemove_Category->isEnabled());

        t->cmdClearCategory->click();
        QCOMPARE(t->cboChoose_Category->text(), QString());
        QCOMPARE(categoryCaption(t), QStringLiteral("0 / 5 Categories"));
        QCOMPARE(noteCaption(t), QStringLiteral("0 / 5 Notes"));
        QCOMPARE(t->noteListCount(), 0);
        QVERIFY(!t->cmdAdd_category->isEnabled());
        QVERIFY(!t->cmdRemove_Category->isEnabled());

        // Choosing the same category again lists its notes once more, though the database did not change.
        choose(t, 1);
        QCOMPARE(t->noteListCount(), 2);
        QCOMPARE(noteCaption(t), QStringLiteral("2 / 5 Notes"));
        QVERIFY(!t->cmdRemove_Category->isEnabled());
        QCOMPARE(t.platform.messages().size(), size_t{0});
    }

    void clearWithOneOrNoNotes() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Work")});
        QVERIFY(t.start());
        t->cmdClearCategory->click();
        QCOMPARE(categoryCaption(t), QStringLiteral("0 / 1 Category"));
        QCOMPARE(noteCaption(t), QStringLiteral("No Notes"));

        addNote(t.folder, QStringLiteral("Work"), QStringLiteral("a"));
        choose(t, 0);
        QCOMPARE(noteCaption(t), QStringLiteral("1 / 1 Note"));
        t->cmdClearCategory->click();
        QCOMPARE(noteCaption(t), QStringLiteral("0 / 1 Note"));
    }

    void typingEnablesAddAndSave() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Work")});
        QVERIFY(t.start());
        QVERIFY(t->cmdRemove_Category->isEnabled());
        QVERIFY(!t->cmdAdd_category->isEnabled());
        QCOMPARE(t->defaultButton(), t->cmdOpenDatabase);

        type(t, QStringLiteral("Home"));
        QCOMPARE(t->cboChoose_Category->listIndex(), -1);
        QVERIFY(t->cmdAdd_category->isEnabled());
        QVERIFY(!t->cmdRemove_Category->isEnabled());
        QVERIFY(!t->cmdSave->isEnabled());
        QVERIFY(t->defaultButton() != t->cmdOpenDatabase);

        type(t, QStringLiteral("   "));
        QVERIFY(!t->cmdAdd_category->isEnabled());

        // Save needs a description, a note and a category that are more than blanks.
        t->txtName->setText(QStringLiteral("d"));
        t->setNoteText(QStringLiteral("text"));
        type(t, QStringLiteral("  Home  "));
        QVERIFY(t->cmdSave->isEnabled());
        type(t, QStringLiteral(" "));
        QVERIFY(!t->cmdSave->isEnabled());
    }

    void missingCategoryFileEndsTheProgram() {
        TestWindow t;
        t.folder.makeData();
        t.folder.remove(QStringLiteral("\\data\\category.dat"));
        t.folder.remove(QStringLiteral("\\original\\category.dat"));
        t.platform.answer(MsgAnswer::Ok);
        QVERIFY(!t.start());
        QVERIFY(t->hasEnded());
        QCOMPARE(t.platform.messages().size(), size_t{1}); // no exit question
        const auto& message = t.platform.messages().front();
        QCOMPARE(message.text, QStringLiteral("The category file is missing or dammaged.  Please uninstall then "
                                              "reinstall Scribbet."));
        QCOMPARE(message.style, MsgStyle::Information);
        QCOMPARE(message.title, QStringLiteral("Scribbet"));
        QCOMPARE(t.platform.pendingAnswers(), 0);
        QVERIFY(!t.folder.exists(QStringLiteral("\\data\\category.dat")));
    }

    void addingRenumbersInSortedOrderAndEndsOnTheFirst() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Banana"), QStringLiteral("cherry")});
        QVERIFY(t.start());
        type(t, QStringLiteral("apple"));
        t->cmdAdd_category->click();
        QCOMPARE(items(t), QStringList({QStringLiteral("apple"), QStringLiteral("Banana"), QStringLiteral("cherry")}));
        QCOMPARE(fileValue(t, "main", "total"), QStringLiteral("3"));
        QCOMPARE(fileValue(t, "category", "1"), QStringLiteral("apple"));
        QCOMPARE(fileValue(t, "category", "2"), QStringLiteral("Banana"));
        QCOMPARE(fileValue(t, "category", "3"), QStringLiteral("cherry"));
        QCOMPARE(t->cboChoose_Category->text(), QStringLiteral("apple"));
        QCOMPARE(t->cboChoose_Category->listIndex(), 0);
        QCOMPARE(categoryCaption(t), QStringLiteral("1 / 3 Categories"));
        QVERIFY(!t->cmdAdd_category->isEnabled());

        // A name that sorts later is added all the same, but the box goes back to the first category.
        type(t, QStringLiteral("date"));
        t->cmdAdd_category->click();
        QCOMPARE(fileValue(t, "category", "4"), QStringLiteral("date"));
        QCOMPARE(t->cboChoose_Category->text(), QStringLiteral("apple"));
        QCOMPARE(categoryCaption(t), QStringLiteral("1 / 4 Categories"));
        QCOMPARE(t.platform.messages().size(), size_t{0});
    }

    void firstCategoryOfAnEmptyList() {
        TestWindow t;
        QVERIFY(t.start());
        type(t, QStringLiteral("Work"));
        QVERIFY(t->cmdAdd_category->isEnabled());
        t->cmdAdd_category->click();
        QCOMPARE(fileValue(t, "main", "total"), QStringLiteral("1"));
        QCOMPARE(fileValue(t, "category", "1"), QStringLiteral("Work"));
        QCOMPARE(categoryCaption(t), QStringLiteral("1 / 1 Category"));
        QVERIFY(t->cmdRemove_Category->isEnabled());
    }

    void duplicatesAreCaughtAfterCollapsingSpaces() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Home"), QStringLiteral("my work"), QStringLiteral("zoo")});
        const QByteArray before = t.folder.read(QStringLiteral("\\data\\category.dat"));
        QVERIFY(t.start());
        type(t, QStringLiteral("my  work"));
        t.platform.answer(MsgAnswer::Ok);
        t->cmdAdd_category->click();
        QCOMPARE(t.platform.messages().size(), size_t{1});
        QCOMPARE(t.platform.messages().front().text, kAlreadyExists);
        QCOMPARE(t.platform.messages().front().style, MsgStyle::Exclamation);
        QCOMPARE(t.platform.messages().front().title, QStringLiteral("Scribbet"));
        QCOMPARE(t.platform.pendingAnswers(), 0);
        QCOMPARE(t->cboChoose_Category->text(), QStringLiteral("my work"));
        QCOMPARE(categoryCaption(t), QStringLiteral("2 / 3 Categories"));
        QVERIFY(!t->cmdAdd_category->isEnabled());
        QCOMPARE(t.folder.read(QStringLiteral("\\data\\category.dat")), before);

        // The next choice refreshes the list as usual.
        addNote(t.folder, QStringLiteral("zoo"), QStringLiteral("n"));
        choose(t, 2);
        QCOMPARE(t->noteListCount(), 1);
    }

    void namesThatDifferInCaseAreBothKept() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Work")});
        QVERIFY(t.start());
        type(t, QStringLiteral("work"));
        t->cmdAdd_category->click();
        QCOMPARE(t.platform.messages().size(), size_t{0});
        QCOMPARE(fileValue(t, "main", "total"), QStringLiteral("2"));
        QStringList listed = items(t);
        listed.sort(Qt::CaseSensitive);
        QCOMPARE(listed, QStringList({QStringLiteral("Work"), QStringLiteral("work")}));
    }

    void removingRenumbers() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("apple"), QStringLiteral("Banana"), QStringLiteral("cherry")});
        QVERIFY(t.start());
        choose(t, 1);
        QVERIFY(t->cmdRemove_Category->isEnabled());

        // Cancel changes nothing.
        const QByteArray before = t.folder.read(QStringLiteral("\\data\\category.dat"));
        t.platform.answer(MsgAnswer::Cancel);
        t->cmdRemove_Category->click();
        QCOMPARE(t.platform.messages().back().text, kRemoveQuestion);
        QCOMPARE(t.platform.messages().back().style, MsgStyle::OkCancelExclamation);
        QCOMPARE(t.folder.read(QStringLiteral("\\data\\category.dat")), before);
        QCOMPARE(t->cboChoose_Category->listCount(), 3);

        t.platform.answer(MsgAnswer::Ok);
        t->cmdRemove_Category->click();
        QCOMPARE(fileValue(t, "main", "total"), QStringLiteral("2"));
        QCOMPARE(fileValue(t, "category", "1"), QStringLiteral("apple"));
        QCOMPARE(fileValue(t, "category", "2"), QStringLiteral("cherry"));
        QCOMPARE(items(t), QStringList({QStringLiteral("apple"), QStringLiteral("cherry")}));
        QCOMPARE(t->cboChoose_Category->text(), QStringLiteral("apple"));
        QCOMPARE(categoryCaption(t), QStringLiteral("1 / 2 Categories"));
        QCOMPARE(t.platform.pendingAnswers(), 0);
        QCOMPARE(t.platform.unexpectedMessages(), 0);
    }

    void removingTheOnlyCategory() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(t.folder, {QStringLiteral("Work")});
        QVERIFY(t.start());
        t.platform.answer(MsgAnswer::Ok);
        t->cmdRemove_Category->click();
        QCOMPARE(fileValue(t, "main", "total"), QStringLiteral("0"));
        QCOMPARE(t->cboChoose_Category->listCount(), 0);
        QCOMPARE(t->cboChoose_Category->text(), QString());
        QVERIFY(!t->cmdRemove_Category->isEnabled());
        QCOMPARE(categoryCaption(t), QStringLiteral("No Categories"));
        QCOMPARE(t.platform.unexpectedMessages(), 0);
    }

    void onlyTheCountedNamesAreOffered() {
        TestWindow t;
        t.folder.makeData();
        writeCategories(
            t.folder,
            {QStringLiteral("e"), QStringLiteral("d"), QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")},
            3);
        QVERIFY(t.start());
        QCOMPARE(items(t), QStringList({QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")}));
        QCOMPARE(categoryCaption(t), QStringLiteral("1 / 3 Categories"));
    }

    void moreThan32767Categories() {
        TestWindow t;
        t.folder.makeData();
        QStringList names;
        for (int i = 40000; i >= 1; --i) {
            names << QStringLiteral("c%1").arg(i, 5, 10, QLatin1Char('0'));
        }
        writeCategories(t.folder, names);
        QVERIFY(t.start());
        QCOMPARE(t->cboChoose_Category->listCount(), 40000);
        QCOMPARE(t->cboChoose_Category->text(), QStringLiteral("c00001"));
        QCOMPARE(categoryCaption(t), QStringLiteral("1 / 40000 Categories"));
        choose(t, 39999);
        QCOMPARE(categoryCaption(t), QStringLiteral("40000 / 40000 Categories"));

        type(t, QStringLiteral("b"));
        t->cmdAdd_category->click();
        QCOMPARE(fileValue(t, "main", "total"), QStringLiteral("40001"));
        QCOMPARE(fileValue(t, "category", "1"), QStringLiteral("b"));
        QCOMPARE(fileValue(t, "category", "40001"), QStringLiteral("c40000"));
    }
};

int runCategoryTests(int argc, char** argv) {
    TestCategories test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_categories.moc"
