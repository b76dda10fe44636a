// The clipboard watch: copied text becomes the note, in both modes, in any view, in or out of the tray.
#include "TestWindow.h"

#include "app/HiddenTextBox.h"
#include "categories/CategoryBox.h"
#include "tray/TrayHost.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

bool onScreen(const QWidget& w) {
    return w.isVisible() && !w.isMinimized();
}

// Another program copies text.
void copyElsewhere(const QString& text) {
    clipboard()->setText(text);
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT

private:
    // Starts the window with the clock stopped (the tests tick themselves) and both preferences off.
    static bool start(TestWindow& t) {
        const bool started = t.start();
        t->Timer1->stop();
        t->chkPopUp->setChecked(false);
        t->chkAppend->setChecked(false);
        return started;
    }

    static void writeNote(TestWindow& t, const QString& description, const QString& text) {
        t->txtName->setText(description);
        t->setNoteText(text);
    }

private slots:
    void init() { clipboard()->clear(); }
    void cleanup() { setTrayHostForTesting(std::nullopt); }

    void replaceTakesTheCopiedTextAndStartsANewNote() {
        TestWindow t;
        QVERIFY(start(t));
        t->setCategoryText(QStringLiteral("Work"));
        writeNote(t, QStringLiteral("unsaved"), QStringLiteral("in progress"));
        copyElsewhere(QStringLiteral("copied\ntwo lines"));
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("copied\ntwo lines"));
        QCOMPARE(t->txtName->text(), QString());
        QCOMPARE(t->cboChoose_Category->text(), QStringLiteral("Work"));
        QCOMPARE(t->defaultButton(), t->cmdSave);
        QCOMPARE(t->txtHidden->text(), t->noteText());
        QCOMPARE(clipboard()->text(), t->noteText());
        QCOMPARE(t.platform.unexpectedMessages(), 0);
    }

    void theSameTextCopiedTwiceIsTakenOnce() {
        TestWindow t;
        QVERIFY(start(t));
        copyElsewhere(QStringLiteral("twice"));
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("twice"));
        t->txtName->setText(QStringLiteral("typed since"));
        copyElsewhere(QStringLiteral("twice"));
        t->Timer1_Timer();
        t->Timer1_Timer();
        QCOMPARE(t->txtName->text(), QStringLiteral("typed since"));
        QCOMPARE(t->noteText(), QStringLiteral("twice"));
    }

    void typingNeverCaptures() {
        TestWindow t;
        QVERIFY(start(t));
        t->chkAppend->setChecked(true);
        t->txtName->setText(QStringLiteral("kept"));
        t->txtData->setFocus();
        QTest::keyClicks(t->txtData, QStringLiteral("typed"));
        QTest::keyClick(t->txtData, Qt::Key_Return);
        QTest::keyClicks(t->txtData, QStringLiteral("more"));
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("typed\nmore"));
        QCOMPARE(t->txtName->text(), QStringLiteral("kept"));
    }

    void nothingNewToTakeChangesNothing_data() {
        QTest::addColumn<int>("content");
        QTest::newRow("empty clipboard") << 0;
        QTest::newRow("empty text") << 1;
        QTest::newRow("a picture") << 2;
        QTest::newRow("no plain text") << 3;
        QTest::newRow("a copy of the note itself") << 4;
    }
    void nothingNewToTakeChangesNothing() {
        QFETCH(int, content);
        TestWindow t;
        QVERIFY(start(t));
        t->chkPopUp->setChecked(true);
        writeNote(t, QStringLiteral("kept"), QStringLiteral("the note"));
        t->cmdOpenDatabase->click();
        QPushButton* defaultBefore = t->defaultButton();
        switch (content) {
        case 0:
            clipboard()->clear();
            break;
        case 1:
            clipboard()->setText(QString());
            break;
        case 2: {
            QImage picture(8, 8, QImage::Format_RGB32);
            picture.fill(Qt::red);
            clipboard()->setImage(picture);
            break;
        }
        case 3: {
            auto* data = new QMimeData;
            data->setHtml(QStringLiteral("<b>rich only</b>"));
            clipboard()->setMimeData(data);
            break;
        }
        default:
            copyElsewhere(QStringLiteral("the note"));
            break;
        }
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("the note"));
        QCOMPARE(t->txtName->text(), QStringLiteral("kept"));
        QCOMPARE(t->currentMode, 2);
        QCOMPARE(t->defaultButton(), defaultBefore);
        QVERIFY(onScreen(t.w()));
    }

    void appendAddsALineAndLeavesTheWholeNoteOnTheClipboard_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("note in progress") << QStringLiteral("first") << QStringLiteral("first\nsecond");
        QTest::newRow("empty note") << QString() << QStringLiteral("\nsecond");
    }
    void appendAddsALineAndLeavesTheWholeNoteOnTheClipboard() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        TestWindow t;
        QVERIFY(start(t));
        t->chkAppend->setChecked(true);
        writeNote(t, QStringLiteral("unsaved"), before);
        copyElsewhere(QStringLiteral("second"));
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), after);
        QCOMPARE(clipboard()->text(), after);
        QCOMPARE(t->txtName->text(), QString());
        // Later ticks find the clipboard equal to the note and add nothing.
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), after);
    }

    void aCaptureSwitchesFromTheListToTheEnterView() {
        TestWindow t;
        QVERIFY(start(t));
        t->cmdOpenDatabase->click();
        QCOMPARE(t->currentMode, 2);
        copyElsewhere(QStringLiteral("from the list"));
        t->Timer1_Timer();
        QCOMPARE(t->currentMode, 1);
        QVERIFY(t->txtData->isVisible());
        QVERIFY(t->txtName->isVisible());
        QVERIFY(t->cmdSave->isVisible());
        QVERIFY(!t->lvwNoteDatabase->isVisible());
        QCOMPARE(t->lblEnterName->text(), QStringLiteral("Enter"));
        QCOMPARE(t->noteText(), QStringLiteral("from the list"));
    }

    void popUpBringsTheWindowOutOfTheTray_data() {
        QTest::addColumn<bool>("trayHost");
        QTest::newRow("tray") << true;
        QTest::newRow("no tray") << false;
    }
    void popUpBringsTheWindowOutOfTheTray() {
        QFETCH(bool, trayHost);
        setTrayHostForTesting(trayHost);
        TestWindow t;
        QVERIFY(start(t));
        t->chkPopUp->setChecked(true);
        t->cmdDiscard->click();
        QVERIFY(!onScreen(t.w()));
        copyElsewhere(QStringLiteral("pop"));
        t->Timer1_Timer();
        QVERIFY(onScreen(t.w()));
        QCOMPARE(t->noteText(), QStringLiteral("pop"));
        QWidget* focus = t->focusWidget();
        QVERIFY(focus == t->cboChoose_Category || t->cboChoose_Category->isAncestorOf(focus));
        QCOMPARE(t->defaultButton(), t->cmdOpenDatabase);
        // Not through the tray item: it still reads "O&pen" and the tray flag is kept.
        QCOMPARE(t->mnuCTRL->text(), QStringLiteral("O&pen"));
        QVERIFY(t->inTray);
    }

    void withoutPopUpTheWindowStaysInTheTray() {
        setTrayHostForTesting(true);
        TestWindow t;
        QVERIFY(start(t));
        t->cmdOpenDatabase->click();
        t->cmdDiscard->click();
        QSystemTrayIcon* icon = t->TrayIcon;
        copyElsewhere(QStringLiteral("quietly"));
        t->Timer1_Timer();
        QVERIFY(!t->isVisible());
        QCOMPARE(t->noteText(), QStringLiteral("quietly"));
        QCOMPARE(t->currentMode, 1);
        QCOMPARE(t->TrayIcon, icon);
        QVERIFY(icon->isVisible());
        QCOMPARE(t->mnuCTRL->text(), QStringLiteral("O&pen"));
    }
};

QTEST_MAIN(TestCapture)
#include "test_capture.moc"
