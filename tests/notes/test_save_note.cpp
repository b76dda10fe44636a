// Entering and saving a note: the Save rule, the clipboard mirror, the checks, what a save stores, and that a save
// that cannot be stored keeps the note.
#include "NotesFixture.h"
#include "OrdinaryUser.h"

#include "app/HiddenTextBox.h"
#include "categories/CategoryBox.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>
#include <QTreeView>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

namespace {

QString clipboardText() {
    return QGuiApplication::clipboard()->text();
}

const QString kChooseCategory = QStringLiteral("Please choose a category.  ");
const QString kEnterTitle = QStringLiteral("Please enter a title.  ");

// Files larger than the limit cannot be written, as on a full disk; the signal that would end the process is
// ignored so that the write fails instead.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_previous); }
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;

private:
    QLocale m_previous;
};

} // namespace

class TestSaveNote : public QObject {
    Q_OBJECT

private slots:
    void init() { QGuiApplication::clipboard()->clear(); }

    void saveNeedsAllThreeInputsBeyondBlanks() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        QVERIFY(!f.t->cmdSave->isEnabled());
        QTest::keyClicks(f.t->txtName, QStringLiteral("   "));
        QTest::keyClicks(f.t->txtData, QStringLiteral("  "));
        QVERIFY(!f.t->cmdSave->isEnabled());
        QTest::keyClicks(f.t->txtData, QStringLiteral("x"));
        QVERIFY(!f.t->cmdSave->isEnabled());
        // The keystroke that fills the last input enables Save.
        QTest::keyClicks(f.t->txtName, QStringLiteral("t"));
        QVERIFY(f.t->cmdSave->isEnabled());
        QTest::keyClick(f.t->txtName, Qt::Key_Backspace);
        QVERIFY(!f.t->cmdSave->isEnabled());
        QTest::keyClicks(f.t->txtName, QStringLiteral("t"));
        f.typeCategory(QStringLiteral("  "));
        QVERIFY(!f.t->cmdSave->isEnabled());
        f.choose(QStringLiteral("Apple"));
        QTest::keyClicks(f.t->txtName, QStringLiteral("u"));
        QVERIFY(f.t->cmdSave->isEnabled());
        f.t->cmdClearNote->click();
        QVERIFY(!f.t->cmdSave->isEnabled());
    }

    void theClipboardHoldsTheWholeNoteAfterEveryKeystroke() {
        NotesFixture f;
        QVERIFY(f.start());
        QCOMPARE(f.t->defaultButton(), f.t->cmdOpenDatabase);
        const QString typed = QStringLiteral("ab c\nde");
        for (const QChar c : typed) {
            if (c == QLatin1Char('\n')) {
                QTest::keyClick(f.t->txtData, Qt::Key_Return);
            } else {
                QTest::keyClicks(f.t->txtData, QString(c));
            }
            QCOMPARE(clipboardText(), f.t->noteText());
            QCOMPARE(f.t->txtHidden->text(), f.t->noteText());
        }
        QCOMPARE(f.t->noteText(), typed);
        // Typing took Enter away from "Open Database": the Return above started a new line and opened nothing.
        QVERIFY(f.t->defaultButton() != f.t->cmdOpenDatabase);
        QCOMPARE(f.t->currentMode, 1);

        QTest::keyClick(f.t->txtData, Qt::Key_Backspace);
        QCOMPARE(clipboardText(), QStringLiteral("ab c\nd"));
        f.t->cmdClearNote->click();
        QCOMPARE(f.t->noteText(), QString());
        QCOMPARE(clipboardText(), QString());
        QCOMPARE(f.t->txtHidden->text(), QString());
    }

    void clicksInTheTextBoxesTakeEnterAway() {
        NotesFixture f;
        QVERIFY(f.start());
        f.t->setDefaultButton(f.t->cmdSave);
        QTest::mouseClick(f.t->txtName, Qt::LeftButton);
        QCOMPARE(f.t->defaultButton(), f.t->cmdSave);
        QTest::mouseClick(f.t->txtData->viewport(), Qt::LeftButton);
        QCOMPARE(f.t->defaultButton(), nullptr);

        f.t->setDefaultButton(f.t->cmdOpenDatabase);
        QTest::mouseClick(f.t->txtName, Qt::LeftButton);
        QCOMPARE(f.t->defaultButton(), nullptr);
        f.t->setDefaultButton(f.t->cmdOpenDatabase);
        f.t->txtName->setText(QStringLiteral("kept"));
        f.t->cmdClearDescription->click();
        QCOMPARE(f.t->txtName->text(), QString());
        QCOMPARE(f.t->defaultButton(), nullptr);
    }

    void theChecksComeInOrderAndStoreNothing_data() {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("message");
        QTest::newRow("both missing") << QString() << QString() << kChooseCategory;
        QTest::newRow("blank category, no title") << QStringLiteral("   ") << QString() << kChooseCategory;
        QTest::newRow("blank category") << QStringLiteral(" ") << QStringLiteral("title") << kChooseCategory;
        QTest::newRow("blank title") << QStringLiteral("Apple") << QStringLiteral("   ") << kEnterTitle;
        QTest::newRow("no title") << QStringLiteral("Apple") << QString() << kEnterTitle;
    }

    void theChecksComeInOrderAndStoreNothing() {
        QFETCH(QString, category);
        QFETCH(QString, description);
        QFETCH(QString, message);
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        if (category == QLatin1String("Apple")) {
            f.choose(category);
        } else {
            f.typeCategory(category);
        }
        f.t->txtName->setText(description);
        f.t->setNoteText(QStringLiteral("text"));
        f.t.platform.answer(MsgAnswer::Ok);
        // The checks belong to the save itself, whatever the state of the button.
        f.t->cmdSave_Click();
        QCOMPARE(f.t.platform.messages().size(), size_t{1});
        QCOMPARE(f.t.platform.messages().front().text, message);
        QCOMPARE(f.t.platform.messages().front().title, QStringLiteral("Error"));
        QCOMPARE(f.t.platform.messages().front().style, MsgStyle::Exclamation);
        QCOMPARE(f.records().size(), size_t{0});
        QVERIFY(f.noteFiles().isEmpty());
        QCOMPARE(f.t->txtName->text(), description);
        QCOMPARE(f.t->noteText(), QStringLiteral("text"));
        QVERIFY(f.t->isVisible() && !f.t->isMinimized());
    }

    void aSaveStoresRecordAndFileAndStartsANewNote() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple"), QStringLiteral("Banana")}));
        f.choose(QStringLiteral("Banana"));
        f.t->txtName->setText(QStringLiteral("  spaced title "));
        f.t->setNoteText(QStringLiteral("first\n\nthird \u00a0no-break\n"));
        // Every line break the user can type or paste is a line break in the file: Shift+Enter, or a pasted line or
        // paragraph separator.
        f.t->txtData->moveCursor(QTextCursor::End);
        f.t->txtData->setFocus();
        QTest::keyClicks(f.t->txtData, QStringLiteral("typed"));
        QTest::keyClick(f.t->txtData, Qt::Key_Return, Qt::ShiftModifier);
        f.t->txtData->insertPlainText(QStringLiteral("pasted\u2028line\u2029end"));
        QTest::mouseClick(f.t->cmdSave, Qt::LeftButton);

        const auto records = f.records();
        QCOMPARE(records.size(), size_t{1});
        const NoteRecord& r = records.front();
        QCOMPARE(r.theCategory, QStringLiteral("Banana"));
        QCOMPARE(r.theDescription, QStringLiteral("  spaced title "));
        QCOMPARE(r.theDate, QStringLiteral("12/08/26"));
        QCOMPARE(r.theTime, QStringLiteral("2:05:09 PM"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\\\data\\\\[A-Za-z]{16}\\.txt$")).match(r.thePath).hasMatch());
        QCOMPARE(f.noteFiles(), QStringList{r.thePath.mid(6)});
        QCOMPARE(f.fileOf(r),
                 QStringLiteral("first\r\n\r\nthird \u00a0no-break\r\ntyped\r\npasted\r\nline\r\nend\r\n").toUtf8());

        QCOMPARE(f.t->txtName->text(), QString());
        QCOMPARE(f.t->noteText(), QString());
        QCOMPARE(clipboardText(), QString());
        QVERIFY(!f.t->cmdSave->isEnabled());
        QVERIFY(!f.t->cmdRemove_Category->isEnabled());
        QCOMPARE(f.t->cboChoose_Category->text(), QStringLiteral("Banana"));
        QCOMPARE(f.t->noteListCount(), 1);
        // Without "Stay On Top" the window goes away.
        QVERIFY(!f.t->isVisible() || f.t->isMinimized());
        QCOMPARE(f.t.platform.messages().size(), size_t{0});
    }

    void withStayOnTopTheWindowStaysForTheNextNote() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        f.t->chkStayOnTop->setChecked(true);
        f.t->activateWindow();
        f.t->txtName->setText(QStringLiteral("one"));
        f.t->setNoteText(QStringLiteral("text"));
        QTest::mouseClick(f.t->cmdSave, Qt::LeftButton);
        QCOMPARE(f.records().size(), size_t{1});
        QVERIFY(f.t->isVisible() && !f.t->isMinimized());
        QCOMPARE(f.t->focusWidget(), f.t->txtData);
        QCOMPARE(f.t->cboChoose_Category->text(), QStringLiteral("Apple"));
    }

    void theStampComesFromTheClockInOneFormat_data() {
        QTest::addColumn<QDateTime>("clock");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("a minute past midnight") << QDateTime(QDate(2026, 1, 2), QTime(0, 1, 0))
                                                << QStringLiteral("01/02/26") << QStringLiteral("12:01:00 AM");
        QTest::newRow("noon") << QDateTime(QDate(2009, 10, 31), QTime(12, 0, 0)) << QStringLiteral("10/31/09")
                              << QStringLiteral("12:00:00 PM");
        QTest::newRow("morning") << QDateTime(QDate(2000, 2, 29), QTime(9, 5, 7)) << QStringLiteral("02/29/00")
                                 << QStringLiteral("9:05:07 AM");
        QTest::newRow("last second") << QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59)) << QStringLiteral("12/31/99")
                                     << QStringLiteral("11:59:59 PM");
    }

    void theStampComesFromTheClockInOneFormat() {
        QFETCH(QDateTime, clock);
        QFETCH(QString, date);
        QFETCH(QString, time);
        // The user's own formats do not change the stored texts.
        const DefaultLocale chinese(QLocale(QLocale::Chinese, QLocale::China));
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        f.t.platform.clock = clock;
        f.save(QStringLiteral("stamped"), QStringLiteral("text"));
        const auto records = f.records();
        QCOMPARE(records.size(), size_t{1});
        QCOMPARE(records.front().theDate, date);
        QCOMPARE(records.front().theTime, time);
    }

    void aKeyInUseIsDrawnAgain() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        // All-zero draws give the key of sixteen capital A; a note file of that name is there already.
        for (int i = 0; i < 32; ++i) {
            f.t.platform.randomValues.push_back(0);
        }
        const QString taken = QStringLiteral("\\data\\AAAAAAAAAAAAAAAA.txt");
        f.t.folder.write(taken, "someone else's\r\n");
        f.save(QStringLiteral("new"), QStringLiteral("mine"));
        const auto records = f.records();
        QCOMPARE(records.size(), size_t{1});
        QVERIFY(records.front().thePath != taken);
        QCOMPARE(f.fileOf(records.front()), QByteArray("mine\r\n"));
        QCOMPARE(f.t.folder.read(taken), QByteArray("someone else's\r\n"));
    }

    void aTypedCategoryIsAddedAndTheNoteFiledUnderIt() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        f.typeCategory(QStringLiteral("Work"));
        QVERIFY(f.t->cmdAdd_category->isEnabled());
        f.save(QStringLiteral("typed"), QStringLiteral("filed under Work"));

        QVERIFY(f.t.folder.read(QStringLiteral("\\data\\category.dat")).contains("=Work\r\n"));
        const auto records = f.records();
        QCOMPARE(records.size(), size_t{1});
        QCOMPARE(records.front().theCategory, QStringLiteral("Work"));
        QCOMPARE(f.t->cboChoose_Category->text(), QStringLiteral("Work"));
        QCOMPARE(f.t->cboChoose_Category->item(f.t->cboChoose_Category->listIndex()), QStringLiteral("Work"));
        QVERIFY(!f.t->cmdAdd_category->isEnabled());
        QCOMPARE(f.t->noteListCount(), 1);
        QCOMPARE(f.t.platform.messages().size(), size_t{0});

        // The next note goes to the same category.
        f.save(QStringLiteral("again"), QStringLiteral("also Work"));
        QCOMPARE(f.records().back().theCategory, QStringLiteral("Work"));
    }

    void aTypedCategoryStaysChosenWhenTheTitleIsMissing() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        f.typeCategory(QStringLiteral("Zebra"));
        f.t->setNoteText(QStringLiteral("text"));
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->cmdSave_Click();
        QCOMPARE(f.t.platform.messages().back().text, kEnterTitle);
        // The category was added all the same, and the box still shows it for the next try.
        QCOMPARE(f.t->cboChoose_Category->listCount(), 2);
        QCOMPARE(f.t->cboChoose_Category->text(), QStringLiteral("Zebra"));
        f.save(QStringLiteral("now with a title"), QStringLiteral("text"));
        QCOMPARE(f.records().front().theCategory, QStringLiteral("Zebra"));
        QCOMPARE(f.t.platform.pendingAnswers(), 0);
    }

    void aCategoryTypedWithDoubledSpacesFilesUnderTheListedOne() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple"), QStringLiteral("Work Notes")}));
        f.typeCategory(QStringLiteral("Work  Notes"));
        f.t.platform.answer(MsgAnswer::Ok);
        f.save(QStringLiteral("title"), QStringLiteral("text"));
        QCOMPARE(f.t.platform.messages().size(), size_t{1});
        QCOMPARE(f.t.platform.messages().front().text, QStringLiteral("That category already exists.  "));
        QCOMPARE(f.records().front().theCategory, QStringLiteral("Work Notes"));
        QCOMPARE(f.t->cboChoose_Category->listCount(), 2);
        QCOMPARE(f.t->noteListCount(), 1);
    }

    // Text copied elsewhere while the save's message box is open is not taken into the note being saved: the stored
    // note is the one the user saved, title and text.
    void aCopyWhileTheSaveAsksWaitsForTheSave() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Work Notes")}));
        f.typeCategory(QStringLiteral("Work  Notes"));
        f.t.platform.answerer = [&f](const FakePlatform::Message&) {
            QGuiApplication::clipboard()->setText(QStringLiteral("copied meanwhile"));
            f.t->Timer1_Timer();
            return MsgAnswer::Ok;
        };
        f.save(QStringLiteral("title"), QStringLiteral("text"));
        QCOMPARE(f.t.platform.messages().size(), size_t{1});
        const std::vector<NoteRecord> records = f.records();
        QCOMPARE(records.size(), size_t{1});
        QCOMPARE(records.front().theDescription, QStringLiteral("title"));
        QCOMPARE(f.fileOf(records.front()), QByteArray("text\r\n"));
    }

    void theAddButtonAloneEndsOnTheFirstCategory() {
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        f.typeCategory(QStringLiteral("Work"));
        QTest::mouseClick(f.t->cmdAdd_category, Qt::LeftButton);
        QCOMPARE(f.t->cboChoose_Category->text(), QStringLiteral("Apple"));
    }

    // A save that cannot be stored says so and keeps everything the user entered; no record or file is left.
    void aFailedSaveKeepsTheNote_data() {
        QTest::addColumn<QString>("breakage");
        QTest::newRow("database missing") << QStringLiteral("missing");
        QTest::newRow("database corrupt") << QStringLiteral("corrupt");
        QTest::newRow("database is a folder") << QStringLiteral("folder");
        QTest::newRow("data folder gone") << QStringLiteral("no data folder");
        QTest::newRow("data folder read-only") << QStringLiteral("read-only");
        QTest::newRow("disk full") << QStringLiteral("full");
        QTest::newRow("folder of pending notes is a link") << QStringLiteral("link");
    }

    void aFailedSaveKeepsTheNote() {
        QFETCH(QString, breakage);
        NotesFixture f;
        QVERIFY(f.start({QStringLiteral("Apple")}));
        const QString dataFolder = f.t.folder.file(QStringLiteral("\\data"));
        const QString database = f.t.folder.file(QStringLiteral("\\data\\data.mdb"));
        // A note large enough to pass the file size limit below.
        const QString text = QString(QStringLiteral("0123456789abcdef").repeated(8) + QLatin1Char('\n')).repeated(4096);
        f.t->txtName->setText(QStringLiteral("my title"));
        f.t->setNoteText(breakage == QLatin1String("full") ? text : QStringLiteral("my note"));
        const QString expectedText = f.t->noteText();

        if (breakage == QLatin1String("missing")) {
            QFile::remove(database);
        } else if (breakage == QLatin1String("corrupt")) {
            f.t.folder.write(QStringLiteral("\\data\\data.mdb"), QByteArray(4096, 'x'));
        } else if (breakage == QLatin1String("folder")) {
            QFile::remove(database);
            QDir().mkpath(database);
        } else if (breakage == QLatin1String("no data folder")) {
            QDir(dataFolder).removeRecursively();
        } else if (breakage == QLatin1String("link")) {
            QVERIFY(QDir().mkpath(f.t.folder.file(QStringLiteral("\\elsewhere"))));
            QVERIFY(
                QFile::link(f.t.folder.file(QStringLiteral("\\elsewhere")), dataFolder + QStringLiteral("/.pending")));
        } else if (breakage == QLatin1String("read-only")) {
            QFile::setPermissions(dataFolder, QFile::ReadOwner | QFile::ExeOwner);
        }
        f.t.platform.answer(MsgAnswer::Ok);
        {
            std::optional<FileSizeLimit> limit;
            std::optional<OrdinaryUser> user;
            if (breakage == QLatin1String("full")) {
                limit.emplace(256 * 1024);
            } else if (breakage == QLatin1String("read-only")) {
                user.emplace(f.t.folder.path());
            }
            QTest::mouseClick(f.t->cmdSave, Qt::LeftButton);
        }
        QFile::setPermissions(dataFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(f.t.platform.messages().size(), size_t{1});
        const auto& message = f.t.platform.messages().front();
        QVERIFY2(message.text.startsWith(QStringLiteral("The note could not be saved.\n")) && message.text.size() > 30,
                 qPrintable(message.text));
        // The system's own reason, where it gives one.
        QVERIFY2(!message.text.contains(QStringLiteral("Unknown error")), qPrintable(message.text));
        if (breakage == QLatin1String("full")) {
            QCOMPARE(message.text,
                     QStringLiteral("The note could not be saved.\n") + QString::fromLocal8Bit(std::strerror(EFBIG)));
        }
        QCOMPARE(message.title, QStringLiteral("Scribbet"));
        QCOMPARE(message.style, MsgStyle::Critical);
        QCOMPARE(f.t->cboChoose_Category->text(), QStringLiteral("Apple"));
        QCOMPARE(f.t->txtName->text(), QStringLiteral("my title"));
        QCOMPARE(f.t->noteText(), expectedText);
        QVERIFY(f.t->cmdSave->isEnabled());
        QVERIFY(f.t->isVisible() && !f.t->isMinimized());
        QVERIFY(f.noteFiles().isEmpty());
        if (breakage == QLatin1String("read-only") || breakage == QLatin1String("full") ||
            breakage == QLatin1String("link")) {
            QCOMPARE(f.records().size(), size_t{0});
        }
        if (breakage == QLatin1String("link")) {
            QVERIFY(QDir(f.t.folder.file(QStringLiteral("\\elsewhere"))).isEmpty());
        }
    }
};

QTEST_MAIN(TestSaveNote)
#include "test_save_note.moc"
