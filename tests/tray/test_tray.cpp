// The tray icon and its menu: every way the window goes into the tray and comes back.
#include "TestWindow.h"

#include "categories/CategoryBox.h"
#include "tray/TrayHost.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

const QString kOpen = QStringLiteral("O&pen");
const QString kMinimize = QStringLiteral("Minimize");

bool onScreen(const QWidget& w) {
    return w.isVisible() && !w.isMinimized();
}

// Put aside: hidden where a tray holds the icon, minimised where there is none.
bool putAside(const QWidget& w, bool trayHost) {
    return trayHost ? !w.isVisible() : w.isVisible() && w.isMinimized();
}

} // namespace

class TestTray : public QObject {
    Q_OBJECT

private:
    // Starts the window with the clock stopped: the tests run the clipboard tick themselves.
    static bool start(TestWindow& t) {
        const bool started = t.start();
        t->Timer1->stop();
        return started;
    }

    static void addTrayHostRows() {
        QTest::addColumn<bool>("trayHost");
        QTest::newRow("tray") << true;
        QTest::newRow("no tray") << false;
    }

    static void fillNote(TestWindow& t) {
        t->txtName->setText(QStringLiteral("a description"));
        t->setNoteText(QStringLiteral("a note"));
    }

private slots:
    void init() { QGuiApplication::clipboard()->clear(); }
    void cleanup() { setTrayHostForTesting(std::nullopt); }

    void startUpShowsTheWindowWithItsIconInTheTray_data() { addTrayHostRows(); }
    void startUpShowsTheWindowWithItsIconInTheTray() {
        QFETCH(bool, trayHost);
        setTrayHostForTesting(trayHost);
        TestWindow t;
        QVERIFY(start(t));
        // Start-up puts the window aside before it is first shown; it must still appear normally.
        QVERIFY(onScreen(t.w()));
        QVERIFY(t->TrayIcon != nullptr);
        QVERIFY(t->TrayIcon->isVisible());
        QCOMPARE(t->TrayIcon->toolTip(), QStringLiteral("Scribbet 1.6"));
        QCOMPARE(t->mnuCTRL->text(), kOpen);
        QVERIFY(t->inTray);
        for (int size : {16, 32, 48, 64}) {
            QVERIFY2(t->TrayIcon->icon().availableSizes().contains(QSize(size, size)),
                     qPrintable(QString::number(size)));
            QVERIFY(t->windowIcon().availableSizes().contains(QSize(size, size)));
        }
    }

    void minimizeHidesTheWindowAndAddsTheIconAgain_data() { addTrayHostRows(); }
    void minimizeHidesTheWindowAndAddsTheIconAgain() {
        QFETCH(bool, trayHost);
        setTrayHostForTesting(trayHost);
        TestWindow t;
        QVERIFY(start(t));
        fillNote(t);
        QSystemTrayIcon* icon = t->TrayIcon;
        t->cmdDiscard->click();
        QVERIFY(putAside(t.w(), trayHost));
        QCOMPARE(t->TrayIcon, icon); // the same icon, still shown
        QVERIFY(icon->isVisible());
        QCOMPARE(t->mnuCTRL->text(), kOpen);
        QVERIFY(t->inTray);
        // Putting it aside once more changes nothing.
        t->NoSysIcon(false);
        QVERIFY(putAside(t.w(), trayHost));
        QCOMPARE(t->TrayIcon, icon);
        QCOMPARE(t->txtName->text(), QStringLiteral("a description"));
        QCOMPARE(t->noteText(), QStringLiteral("a note"));
    }

    void firstItemAfterStartUpShowsTheListBeforeItHides_data() { addTrayHostRows(); }
    void firstItemAfterStartUpShowsTheListBeforeItHides() {
        QFETCH(bool, trayHost);
        setTrayHostForTesting(trayHost);
        TestWindow t;
        QVERIFY(start(t));
        fillNote(t);
        t->cmdBack->setText(QStringLiteral("View Note"));

        // The caption reads "O&pen" while the window is on screen; inTray decides, so the item shows it.
        t->mnuCTRL->trigger();
        QVERIFY(onScreen(t.w()));
        QVERIFY(!t->inTray);
        QCOMPARE(t->mnuCTRL->text(), kMinimize);
        QCOMPARE(t->currentMode, 2);
        QVERIFY(t->lvwNoteDatabase->isVisible());
        QVERIFY(!t->txtData->isVisible());
        QCOMPARE(t->cmdBack->text(), QStringLiteral("Enter Note"));
        QCOMPARE(t->defaultButton(), t->cmdBack);
        QCOMPARE(t->txtName->text(), QString());
        QCOMPARE(t->noteText(), QString());
        // The emptied note is what the clipboard holds, so nothing is captured from it.
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());

        t->mnuCTRL->trigger();
        QVERIFY(putAside(t.w(), trayHost));
        QVERIFY(t->inTray);
        QCOMPARE(t->mnuCTRL->text(), kOpen);
        QVERIFY(t->TrayIcon != nullptr && t->TrayIcon->isVisible());

        t->mnuCTRL->trigger();
        QVERIFY(onScreen(t.w()));
        QVERIFY(!t->inTray);
    }

    void doubleClickShowsTheListAndKeepsTheNote() {
        setTrayHostForTesting(true);
        TestWindow t;
        QVERIFY(start(t));
        fillNote(t);
        t->cmdDiscard->click();
        QVERIFY(!t->isVisible());

        emit t->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(onScreen(t.w()));
        QCOMPARE(t->currentMode, 2);
        QVERIFY(t->lvwNoteDatabase->isVisible());
        QCOMPARE(t->defaultButton(), t->cmdBack);
        QCOMPARE(t->mnuCTRL->text(), kMinimize);
        QVERIFY(t->inTray); // unchanged
        QCOMPARE(t->txtName->text(), QStringLiteral("a description"));
        QCOMPARE(t->noteText(), QStringLiteral("a note"));

        // The first item must be used twice to hide the window again; the first use empties the note.
        t->mnuCTRL->trigger();
        QVERIFY(onScreen(t.w()));
        QCOMPARE(t->noteText(), QString());
        QCOMPARE(t->txtName->text(), QString());
        t->mnuCTRL->trigger();
        QVERIFY(!t->isVisible());
        QCOMPARE(t->mnuCTRL->text(), kOpen);
    }

    void rightButtonOpensTheMenuAndOtherActivationsDoNothing() {
        setTrayHostForTesting(true);
        TestWindow t;
        QVERIFY(start(t));
        t->cmdDiscard->click();
        for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
            emit t->TrayIcon->activated(reason);
            QVERIFY(!t->isVisible());
            QVERIFY(!t->mnuOP->isVisible());
            QCOMPARE(t->currentMode, 1);
        }

        t->mnuOP->setDefaultAction(nullptr);
        emit t->TrayIcon->activated(QSystemTrayIcon::Context);
        QVERIFY(t->mnuOP->isVisible());
        QCOMPARE(t->mnuOP->defaultAction(), t->mnuCTRL);
        QCOMPARE(t->mnuCTRL->text(), kOpen);
        t->mnuOP->hide();
        QVERIFY(!t->isVisible());
    }

    // While a message box waits for its answer the icon starts nothing: the handler that asked runs on afterwards.
    void theIconWaitsWhileAMessageBoxIsOpen() {
        setTrayHostForTesting(true);
        TestWindow t;
        QVERIFY(start(t));
        bool asked = false;
        t.platform.answerer = [&t, &asked](const FakePlatform::Message&) {
            asked = true;
            emit t->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
            emit t->TrayIcon->activated(QSystemTrayIcon::Context);
            return MsgAnswer::No;
        };
        t->close();
        QVERIFY(asked);
        QCOMPARE(t->currentMode, 1);
        QVERIFY(!t->mnuOP->isVisible());
        QVERIFY(!t->lvwNoteDatabase->isVisible());
    }

    void popUpCaptureLeavesTheItemReadingOpen() {
        setTrayHostForTesting(true);
        TestWindow t;
        QVERIFY(start(t));
        t->chkPopUp->setChecked(true);
        t->chkAppend->setChecked(false);
        t->cmdDiscard->click();
        QVERIFY(!t->isVisible());

        QGuiApplication::clipboard()->setText(QStringLiteral("copied elsewhere"));
        t->Timer1_Timer();
        QVERIFY(onScreen(t.w()));
        QCOMPARE(t->currentMode, 1);
        QCOMPARE(t->mnuCTRL->text(), kOpen);
        QVERIFY(t->inTray);

        // The item then runs its showing branch: the captured note is emptied and the list is shown.
        t->txtName->setText(QStringLiteral("filed as"));
        t->mnuCTRL->trigger();
        QVERIFY(onScreen(t.w()));
        QCOMPARE(t->currentMode, 2);
        QCOMPARE(t->noteText(), QString());
        QCOMPARE(t->txtName->text(), QString());
        QVERIFY(!t->inTray);
    }

    void exitAsksAndNoKeepsEverything() {
        setTrayHostForTesting(true);
        TestWindow t;
        QVERIFY(start(t));
        t->cmdDiscard->click();
        t.platform.answer(MsgAnswer::No);
        t->mnuExit->trigger();
        QCOMPARE(t.platform.messages().size(), size_t{1});
        QCOMPARE(t.platform.messages().front().text, QStringLiteral("Are you sure you want to exit Scribbet?"));
        QCOMPARE(t.platform.messages().front().style, MsgStyle::YesNoExclamation);
        QVERIFY(!t->hasEnded());
        QVERIFY(!t->isVisible());
        QVERIFY(t->inTray);
        QVERIFY(t->TrayIcon != nullptr && t->TrayIcon->isVisible());

        t.platform.answer(MsgAnswer::Yes);
        t->mnuExit->trigger();
        QVERIFY(t->hasEnded());
        QVERIFY(t->TrayIcon == nullptr);
        QVERIFY(!t->inTray);
        QCOMPARE(t.platform.unexpectedMessages(), 0);
        QCOMPARE(t.platform.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
