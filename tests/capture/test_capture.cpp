// The clipboard watch: copied text becomes the note, in both modes, in any view, in or out of the tray.
#include "TestWindow.h"

#include "app/HiddenTextBox.h"
#include "categories/CategoryBox.h"
#include "common/platform/ClipboardWatcher.h"
#include "tray/TrayHost.h"

#include <QAbstractTextDocumentLayout>
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
#include <QTextCursor>
#include <QTextDocument>
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

// A password manager copies a password, marked as a secret.
void copySecret(const QString& password, const QByteArray& mark = "secret") {
    auto* data = new QMimeData;
    data->setText(password);
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), mark);
    clipboard()->setMimeData(data);
}

// The box's text read straight from its document, past any copy the window keeps.
QString boxText(const FrmMain& w) {
    QString text = w.txtData->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

// Ticks until the note holds text: a large text is laid out on a thread of its own first.
bool tickUntilNoteIs(FrmMain& w, const QString& text) {
    return QTest::qWaitFor(
        [&] {
            w.Timer1_Timer();
            return w.noteText() == text;
        },
        60000);
}

// A text too large to lay out on the window's thread: many lines, one of them very long, with CR LF line ends.
QString largeText(const QString& tag) {
    QString text = tag + QStringLiteral("\r\n") + QString(300000, QLatin1Char('x')) + QStringLiteral("\r\n");
    for (int i = 0; i < 20000; ++i) {
        text += QStringLiteral("line ") + QString::number(i) + QStringLiteral("\r\n");
    }
    return text;
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

    // Also with the line ends another program copies: the note box holds them as its own.
    void theSameTextCopiedTwiceIsTakenOnce_data() {
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("note");
        QTest::newRow("one line") << QStringLiteral("twice") << QStringLiteral("twice");
        QTest::newRow("CR LF") << QStringLiteral("one\r\ntwo\r\n") << QStringLiteral("one\ntwo\n");
        QTest::newRow("CR") << QStringLiteral("one\rtwo") << QStringLiteral("one\ntwo");
        QTest::newRow("line separator") << QStringLiteral("one\u2028two") << QStringLiteral("one\ntwo");
    }

    void theSameTextCopiedTwiceIsTakenOnce() {
        QFETCH(QString, copied);
        QFETCH(QString, note);
        TestWindow t;
        QVERIFY(start(t));
        copyElsewhere(copied);
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), note);
        QCOMPARE(clipboard()->text(), note);
        t->txtName->setText(QStringLiteral("typed since"));
        copyElsewhere(copied);
        t->Timer1_Timer();
        t->Timer1_Timer();
        QCOMPARE(t->txtName->text(), QStringLiteral("typed since"));
        QCOMPARE(t->noteText(), note);
    }

    // What the user copies or cuts in the program's own fields is theirs to paste: it never replaces the note.
    // The same text copied afterwards in another program is taken as any copy is.
    void copiesInTheProgramsOwnFieldsAreNotTaken_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("selected");
        // A cut in the note box changes the note, which puts the whole note on the clipboard.
        QTest::newRow("note, Ctrl+C") << QStringLiteral("txtData") << int(Qt::Key_C) << QStringLiteral("first");
        QTest::newRow("note, Ctrl+Insert")
            << QStringLiteral("txtData") << int(Qt::Key_Insert) << QStringLiteral("first");
        QTest::newRow("description, Ctrl+C") << QStringLiteral("txtName") << int(Qt::Key_C) << QStringLiteral("my");
        QTest::newRow("description, Ctrl+X") << QStringLiteral("txtName") << int(Qt::Key_X) << QStringLiteral("my");
        QTest::newRow("category, Ctrl+C") << QStringLiteral("category") << int(Qt::Key_C) << QStringLiteral("Work");
        QTest::newRow("category, Ctrl+X") << QStringLiteral("category") << int(Qt::Key_X) << QStringLiteral("Work");
    }

    void copiesInTheProgramsOwnFieldsAreNotTaken() {
        QFETCH(QString, field);
        QFETCH(int, key);
        QFETCH(QString, selected);
        TestWindow t;
        QVERIFY(start(t));
        t->setCategoryText(QStringLiteral("Work place"));
        writeNote(t, QStringLiteral("my description"), QStringLiteral("first line\nsecond line"));
        QWidget* target = nullptr;
        if (field == QLatin1String("txtData")) {
            target = t->txtData;
            QTextCursor cursor = t->txtData->textCursor();
            cursor.setPosition(0);
            cursor.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
            t->txtData->setTextCursor(cursor);
        } else if (field == QLatin1String("txtName")) {
            target = t->txtName;
            t->txtName->setSelection(0, 2);
        } else {
            target = t->cboChoose_Category;
            t->cboChoose_Category->lineEdit()->setSelection(0, 4);
        }
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(clipboard()->text(), selected);
        const QString note = t->noteText();
        const QString description = t->txtName->text();
        for (int i = 0; i < 3; ++i) {
            t->Timer1_Timer();
        }
        QCOMPARE(t->noteText(), note);
        QCOMPARE(t->txtName->text(), description);
        QCOMPARE(clipboard()->text(), selected);

        copyElsewhere(selected);
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), selected);
        QCOMPARE(t->txtName->text(), QString());
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
        // Shift+Enter breaks the line too, as every line break the user can type does.
        QTest::keyClick(t->txtData, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(t->txtData, QStringLiteral("end"));
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("typed\nmore\nend"));
        QCOMPARE(clipboard()->text(), QStringLiteral("typed\nmore\nend"));
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

    // Counts, not times: a tick reads the clipboard only after it changed, and the program's own text is known.
    void anUnchangedClipboardIsNotReadAgain() {
        TestWindow t;
        QVERIFY(start(t));
        ClipboardWatcher& watcher = t->clipboard();
        copyElsewhere(QStringLiteral("once"));
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("once"));
        const int reads = watcher.readCount();
        for (int i = 0; i < 20; ++i) {
            t->Timer1_Timer();
        }
        t->txtData->setFocus();
        t->txtData->moveCursor(QTextCursor::End);
        QTest::keyClicks(t->txtData, QStringLiteral(" typed"));
        t->Timer1_Timer();
        QCOMPARE(clipboard()->text(), QStringLiteral("once typed"));
        QCOMPARE(watcher.readCount(), reads);
        copyElsewhere(QStringLiteral("twice"));
        t->Timer1_Timer();
        t->Timer1_Timer();
        QCOMPARE(watcher.readCount(), reads + 1);
        QCOMPARE(t->noteText(), QStringLiteral("twice"));
    }

    void theClockRestsUntilTheClipboardChanges() {
        TestWindow t;
        QVERIFY(t.start());
        QVERIFY(t->Timer1->isActive());
        t->Timer1_Timer();
        QVERIFY(!t->Timer1->isActive());
        copyElsewhere(QStringLiteral("wake up"));
        QVERIFY(t->Timer1->isActive());
        QCOMPARE(t->Timer1->interval(), 250);
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("wake up"));
        QVERIFY(!t->Timer1->isActive());
    }

    // A clock stopped by someone else, or by the end of the program, is not started by a change.
    void aStoppedClockStaysStopped() {
        TestWindow t;
        QVERIFY(start(t));
        copyElsewhere(QStringLiteral("while stopped"));
        QVERIFY(!t->Timer1->isActive());
    }

    void theClockStaysAtRestAfterTheEnd() {
        TestWindow t;
        QVERIFY(t.start());
        t->Timer1_Timer();
        t.platform.answer(MsgAnswer::Yes);
        QVERIFY(t->close());
        copyElsewhere(QStringLiteral("after the end"));
        QVERIFY(!t->Timer1->isActive());
    }

    void aSecretIsNeverTaken_data() {
        QTest::addColumn<bool>("append");
        QTest::addColumn<bool>("popUp");
        QTest::newRow("replace") << false << false;
        QTest::newRow("append, pop up") << true << true;
    }
    void aSecretIsNeverTaken() {
        QFETCH(bool, append);
        QFETCH(bool, popUp);
        setTrayHostForTesting(true);
        TestWindow t;
        QVERIFY(start(t));
        t->chkAppend->setChecked(append);
        t->chkPopUp->setChecked(popUp);
        writeNote(t, QStringLiteral("kept"), QStringLiteral("the note"));
        t->cmdDiscard->click();
        copySecret(QStringLiteral("hunter2"));
        t->Timer1_Timer();
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("the note"));
        QCOMPARE(t->txtName->text(), QStringLiteral("kept"));
        QVERIFY(!onScreen(t.w()));
        // Whatever comes next is taken as usual, and the secret is not part of it.
        copyElsewhere(QStringLiteral("plain"));
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), append ? QStringLiteral("the note\nplain") : QStringLiteral("plain"));
    }

    void onlyTheSecretMarkKeepsATextOut() {
        TestWindow t;
        QVERIFY(start(t));
        copySecret(QStringLiteral("not so secret"), "public");
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("not so secret"));
    }

    void aLargeTextIsLaidOutAwayFromTheWindow_data() {
        QTest::addColumn<bool>("append");
        QTest::newRow("replace") << false;
        QTest::newRow("append") << true;
    }
    void aLargeTextIsLaidOutAwayFromTheWindow() {
        QFETCH(bool, append);
        TestWindow t;
        QVERIFY(start(t));
        t->chkAppend->setChecked(append);
        writeNote(t, QStringLiteral("unsaved"), QStringLiteral("before"));
        const QString copied = largeText(QStringLiteral("large"));
        QString expected = copied;
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (append) {
            expected = QStringLiteral("before\n") + expected;
        }
        // The box takes the laid-out document as it is, without laying out every line once more: that it would
        // show by asking for a repaint of the whole document as it takes it.
        int wholeRepaints = 0;
        const QMetaObject::Connection taken = connect(t->txtData, &QPlainTextEdit::textChanged, t->txtData, [&] {
            connect(t->txtData->document()->documentLayout(), &QAbstractTextDocumentLayout::update, t->txtData,
                    [&](const QRectF& area) { wholeRepaints += area == QRectF(0, 0, 1e9, 1e9) ? 1 : 0; });
        });
        copyElsewhere(copied);
        t->Timer1_Timer();
        // Nothing is taken before the layout is ready; then all of it is, as a small text would be.
        QCOMPARE(t->noteText(), QStringLiteral("before"));
        QVERIFY(tickUntilNoteIs(t.w(), expected));
        disconnect(taken);
        QCOMPARE(wholeRepaints, 0);
        QCOMPARE(boxText(t.w()), expected);
        QCOMPARE(clipboard()->text(), expected);
        QCOMPARE(t->txtHidden->text(), expected);
        QCOMPARE(t->txtName->text(), QString());
        QVERIFY(!t->txtData->document()->isUndoAvailable());
        // The note box goes on as usual: typing changes the note, and a later small copy replaces it.
        t->txtData->setFocus();
        t->txtData->moveCursor(QTextCursor::End);
        QTest::keyClicks(t->txtData, QStringLiteral("!"));
        QCOMPARE(t->noteText(), expected + QStringLiteral("!"));
        QCOMPARE(boxText(t.w()), t->noteText());
        t->chkAppend->setChecked(false);
        copyElsewhere(QStringLiteral("small again"));
        t->Timer1_Timer();
        QCOMPARE(t->noteText(), QStringLiteral("small again"));
        QCOMPARE(boxText(t.w()), QStringLiteral("small again"));
    }

    void aLaterCopyWinsOverALargeTextStillBeingLaidOut() {
        TestWindow t;
        QVERIFY(start(t));
        copyElsewhere(largeText(QStringLiteral("first")));
        t->Timer1_Timer();
        QString second = largeText(QStringLiteral("second"));
        copyElsewhere(second);
        second.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QVERIFY(tickUntilNoteIs(t.w(), second));
        QCOMPARE(boxText(t.w()), second);
    }
};

QTEST_MAIN(TestCapture)
#include "test_capture.moc"
