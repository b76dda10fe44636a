// Names that could break the category file's lines: each one typed (or pasted) into the category box is either
// stored and read back unchanged, or refused with a message, and the other categories stay as they were.
#include "FaultFigures.h"
#include "FolderSnapshot.h"
#include "TestWindow.h"

#include "categories/CategoryBox.h"
#include "categories/CategoryText.h"
#include "storage/KeyFile.h"
#include "storage/NoteDatabase.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QStringList kOthers = {QStringLiteral("Alpha"), QStringLiteral("beta [1]"), QStringLiteral("Zulu=z")};

QStringList listed(const QString& programFolder, Platform& platform) {
    FrmMain fresh(programFolder, platform);
    fresh.skipQuery = true;
    QStringList names;
    if (fresh.Form_Load()) {
        for (int i = 0; i < fresh.cboChoose_Category->listCount(); ++i) {
            names << fresh.cboChoose_Category->item(i);
        }
    }
    return names;
}

QStringList fileNames(const TestFolder& folder) {
    QStringList names;
    for (const keyfile::Entry& entry :
         keyfile::readSection(folder.file(QStringLiteral("\\data\\category.dat")), QStringLiteral("category"))) {
        names << entry.second;
    }
    return names;
}

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

// A refusal is one validation message that names the problem.
void verifyRefused(const FakePlatform& platform) {
    QCOMPARE(platform.messages().size(), std::size_t{1});
    const FakePlatform::Message& message = platform.messages().front();
    QVERIFY2(message.text.startsWith(QStringLiteral("Please enter a category name")), qPrintable(message.text));
    QCOMPARE(message.title, QStringLiteral("Error"));
    QCOMPARE(message.style, MsgStyle::Exclamation);
}

} // namespace

class TestCategoryNames : public QObject {
    Q_OBJECT

private slots:
    void init() {
        t = std::make_unique<TestWindow>();
        t->folder.makeData();
        QByteArray file = "[main]\r\ntotal=3\r\n[category]\r\n";
        for (qsizetype i = 0; i < kOthers.size(); ++i) {
            file += QByteArray::number(i + 1) + '=' + kOthers[i].toUtf8() + "\r\n";
        }
        t->folder.write(QStringLiteral("\\data\\category.dat"), file);
        QVERIFY(t->start());
        before = std::make_unique<FolderSnapshot>(t->folder.path(), QStringList{QStringLiteral("data")});
    }

    void cleanup() {
        const QStringList outside = FolderSnapshot(t->folder.path(), {QStringLiteral("data")}).changesSince(*before);
        figures::add(figures::kOutsideWrites, outside.size());
        figures::add(figures::kCases, 1);
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QLatin1Char(' '))));
        t.reset();
    }

    void cleanupTestCase() { figures::reportLongestHandler(); }

    void addedNameReadsBackOrIsRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("kept");
        QTest::newRow("equals sign") << QStringLiteral("a=b") << true;
        QTest::newRow("equals sign first") << QStringLiteral("=x") << true;
        QTest::newRow("a section header") << QStringLiteral("[main]") << true;
        QTest::newRow("opening bracket") << QStringLiteral("[") << true;
        QTest::newRow("closing bracket") << QStringLiteral("x]") << true;
        QTest::newRow("comment sign") << QStringLiteral(";not a comment") << true;
        QTest::newRow("hash sign") << QStringLiteral("#not a comment") << true;
        QTest::newRow("a count line") << QStringLiteral("total=99") << true;
        QTest::newRow("leading blanks") << QStringLiteral("   leading") << true;
        QTest::newRow("trailing blanks") << QStringLiteral("trailing   ") << true;
        QTest::newRow("tab inside") << QStringLiteral("a\tb") << true;
        QTest::newRow("letters outside ASCII")
            << QStringLiteral("\u00c6r\u00f8 \u0130stanbul \u65e5\u672c \U0001f600") << true;
        QTest::newRow("254 characters") << QString(254, QLatin1Char('n')) << true;
        QTest::newRow("300 characters") << QString(300, QLatin1Char('n')) << false;
        QTest::newRow("line feed") << QStringLiteral("first\nsecond") << false;
        QTest::newRow("carriage return") << QStringLiteral("first\rsecond") << false;
        QTest::newRow("character 0") << QStringLiteral("nul") + QChar(0) + QStringLiteral("x") << false;
        QTest::newRow("half a surrogate pair") << QStringLiteral("half ") + QChar(0xd83d) << false;
    }

    void addedNameReadsBackOrIsRefused() {
        QFETCH(QString, name);
        QFETCH(bool, kept);
        const QByteArray file = t->folder.read(QStringLiteral("\\data\\category.dat"));
        t->w().setCategoryText(name);
        QVERIFY(t->w().cmdAdd_category->isEnabled());
        {
            const figures::HandlerTimer timer;
            t->w().cmdAdd_category_Click();
        }
        if (kept) {
            QCOMPARE(t->platform.messages().size(), std::size_t{0});
            QCOMPARE(sorted(fileNames(t->folder)), sorted(kOthers + QStringList{name}));
            QCOMPARE(sorted(listed(t->folder.path(), t->platform)), sorted(kOthers + QStringList{name}));
        } else {
            verifyRefused(t->platform);
            QCOMPARE(t->folder.read(QStringLiteral("\\data\\category.dat")), file);
            QCOMPARE(t->w().cboChoose_Category->text(), name);
            QCOMPARE(sorted(listed(t->folder.path(), t->platform)), sorted(kOthers));
        }
    }

    // A save with a typed category adds it first: a refused name stops the save with the note still in the window.
    void savedNoteKeepsOrWaitsForItsCategory_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a section header") << QStringLiteral("[category]") << true;
        QTest::newRow("leading blanks") << QStringLiteral("  [1]=x") << true;
        QTest::newRow("300 characters") << QString(300, QLatin1Char('n')) << false;
        QTest::newRow("line feed") << QStringLiteral("first\nsecond") << false;
    }

    void savedNoteKeepsOrWaitsForItsCategory() {
        QFETCH(QString, name);
        QFETCH(bool, kept);
        t->w().setCategoryText(name);
        t->w().txtName->setText(QStringLiteral("a title"));
        t->w().setNoteText(QStringLiteral("a note"));
        {
            const figures::HandlerTimer timer;
            t->w().cmdSave_Click();
        }
        std::vector<NoteRecord> records;
        const std::unique_ptr<NoteDatabase> db = NoteDatabase::open(t->folder.file(QStringLiteral("\\data\\data.mdb")));
        QVERIFY(db);
        QVERIFY(db->forEach([&records](const NoteRecord& record) { records.push_back(record); }));
        if (kept) {
            QCOMPARE(t->platform.messages().size(), std::size_t{0});
            QCOMPARE(records.size(), std::size_t{1});
            QCOMPARE(records.front().theCategory, TrimSpaces(name));
            QCOMPARE(sorted(fileNames(t->folder)), sorted(kOthers + QStringList{name}));
        } else {
            verifyRefused(t->platform);
            QCOMPARE(records.size(), std::size_t{0});
            QCOMPARE(t->w().cboChoose_Category->text(), name);
            QCOMPARE(t->w().txtName->text(), QStringLiteral("a title"));
            QCOMPARE(t->w().noteText(), QStringLiteral("a note"));
            QCOMPARE(sorted(fileNames(t->folder)), sorted(kOthers));
        }
    }

    // Pasted as a user pastes: whatever the box makes of the line break, the name it adds reads back unchanged or
    // is refused.
    void pastedLineBreak() {
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted\r\nsecond line"));
        QLineEdit* edit = t->w().cboChoose_Category->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        const QString name = t->w().cboChoose_Category->text();
        QVERIFY(name.startsWith(QStringLiteral("pasted")));
        {
            const figures::HandlerTimer timer;
            t->w().cmdAdd_category_Click();
        }
        if (CategoryNameProblem(name).isEmpty()) {
            QCOMPARE(t->platform.messages().size(), std::size_t{0});
            QCOMPARE(sorted(fileNames(t->folder)), sorted(kOthers + QStringList{name}));
        } else {
            verifyRefused(t->platform);
            QCOMPARE(sorted(fileNames(t->folder)), sorted(kOthers));
        }
    }

private:
    std::unique_ptr<TestWindow> t;
    std::unique_ptr<FolderSnapshot> before;
};

QTEST_MAIN(TestCategoryNames)
#include "test_category_names.moc"
