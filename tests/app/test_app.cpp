// Start-up, the main window's controls and views, and the exit path, on the real window.
#include "OrdinaryUser.h"
#include "TestWindow.h"

#include "app/Twips.h"
#include "categories/CategoryBox.h"
#include "common/SingleInstance.h"
#include "common/platform/Allocator.h"
#include "common/platform/QtPlatform.h"
#include "common/platform/SessionPlatform.h"
#include "common/platform/ThreadPriority.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <vector>
#include <thread>

namespace {

// The resident set of this process, from /proc/self/status.
qint64 residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLongLong();
        }
    }
    return -1;
}

const QString kDatabaseMissing = QStringLiteral(
    "The database file is missing or dammaged.  Please uninstall then reinstall Scribbet and then restore the "
    "database.");
const QString kExitQuestion = QStringLiteral("Are you sure you want to exit Scribbet?");
const QString kCategoryMissing =
    QStringLiteral("The category file is missing or dammaged.  Please uninstall then reinstall Scribbet.");

} // namespace

class TestApp : public QObject {
    Q_OBJECT

private slots:
    void firstRunCopiesThePristineFiles() {
        TestWindow t;
        QVERIFY(!t.folder.exists(QStringLiteral("\\data")));
        QVERIFY(t.start());
        for (const char* name : {"data.mdb", "category.dat", "settings.dat"}) {
            const QString n = QString::fromLatin1(name);
            QCOMPARE(t.folder.read(QStringLiteral("\\data\\") + n), t.folder.read(QStringLiteral("\\original\\") + n));
        }
        QVERIFY(t->isVisible());
        QCOMPARE(t->windowTitle(), QStringLiteral("Scribbet 1.6"));
        QCOMPARE(t->currentMode, 1);
        QVERIFY(t->Timer1->isActive());
        QCOMPARE(t.platform.messages().size(), size_t{0});
    }

    void existingDataIsNotReplaced() {
        TestWindow t;
        t.folder.makeData();
        t.folder.write(QStringLiteral("\\data\\category.dat"), "[main]\r\ntotal=0\r\n; kept\r\n");
        QVERIFY(t.start());
        QCOMPARE(t.folder.read(QStringLiteral("\\data\\category.dat")), QByteArray("[main]\r\ntotal=0\r\n; kept\r\n"));
    }

    void missingDatabaseEndsWithItsMessage() {
        TestWindow t;
        t.folder.remove(QStringLiteral("\\original\\data.mdb"));
        t.platform.answer(MsgAnswer::Ok);
        QVERIFY(!t.start());
        QVERIFY(t->hasEnded());
        QVERIFY(!t->isVisible());
        QCOMPARE(t.platform.messages().size(), size_t{1}); // no exit question
        const auto& message = t.platform.messages().front();
        QCOMPARE(message.text, kDatabaseMissing);
        QCOMPARE(message.style, MsgStyle::Information);
        QCOMPARE(message.title, QStringLiteral("Scribbet"));
        QVERIFY(t->TrayIcon == nullptr || !t->TrayIcon->isVisible());
        QVERIFY(!t->Timer1->isActive());
        QVERIFY(!t.folder.exists(QStringLiteral("\\data\\data.mdb")));
    }

    void aFolderInPlaceOfTheDatabaseEndsWithItsMessage() {
        TestWindow t;
        t.folder.makeData();
        t.folder.remove(QStringLiteral("\\data\\data.mdb"));
        QDir().mkpath(t.folder.file(QStringLiteral("\\data\\data.mdb")));
        t.platform.answer(MsgAnswer::Ok);
        QVERIFY(!t.start());
        QCOMPARE(t.platform.messages().front().text, kDatabaseMissing);
        QVERIFY(QFileInfo(t.folder.file(QStringLiteral("\\data\\data.mdb"))).isDir());
    }

    // Only a missing data file is made from its pristine copy. One that is there but cannot be read may hold every
    // note: it stays exactly as it is (contents, mode, owner), and whoever reads it says that it cannot.
    void unreadableDataFilesAreLeftAsTheyAre_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("othersFile");
        for (const char* name : {"data.mdb", "category.dat", "settings.dat"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, another user's").arg(QLatin1String(name))))
                << QString::fromLatin1(name) << true;
            QTest::newRow(qPrintable(QStringLiteral("%1, mode 000").arg(QLatin1String(name))))
                << QString::fromLatin1(name) << false;
        }
    }

    void unreadableDataFilesAreLeftAsTheyAre() {
        QFETCH(QString, name);
        QFETCH(bool, othersFile);
        if (othersFile && !OrdinaryUser::canMakeOthersFiles()) {
            QSKIP("only root can make a file of another user");
        }
        TestWindow t;
        t.folder.makeData();
        const QString suffix = QStringLiteral("\\data\\") + name;
        const QString path = t.folder.file(suffix);
        const QByteArray bytes = t.folder.read(suffix) + "; the user's own\r\n";
        t.folder.write(suffix, bytes);
        QVERIFY(QFile::setPermissions(path, othersFile ? QFile::ReadOwner | QFile::WriteOwner : QFile::Permissions()));
        const QFileInfo before(path);
        {
            const OrdinaryUser user(t.folder.path(), othersFile ? QStringList{path} : QStringList());
            if (name == QLatin1String("settings.dat")) {
                // Start-up goes on with the preferences off; changing them writes nothing over the file.
                QVERIFY(t.start());
                for (QCheckBox* box : {t->chkPopUp, t->chkStayOnTop, t->chkAppend}) {
                    QVERIFY(!box->isChecked());
                    box->setChecked(true);
                }
                QCOMPARE(t.platform.messages().size(), size_t{0});
            } else {
                t.platform.answer(MsgAnswer::Ok);
                QVERIFY(!t.start());
                QCOMPARE(t.platform.messages().size(), size_t{1});
                QCOMPARE(t.platform.messages().front().text,
                         name == QLatin1String("data.mdb") ? kDatabaseMissing : kCategoryMissing);
            }
            t.window->skipQuery = true;
            t.window.reset();
        }
        const QFileInfo after(path);
        QCOMPARE(t.folder.read(suffix), bytes);
        QCOMPARE(after.permissions(), before.permissions());
        QCOMPARE(after.ownerId(), before.ownerId());
        QCOMPARE(after.groupId(), before.groupId());
    }

    void missingPreferencesLeaveStartUpGoing() {
        TestWindow t;
        t.folder.remove(QStringLiteral("\\original\\settings.dat"));
        QVERIFY(t.start());
        QVERIFY(!t->chkPopUp->isChecked());
        QVERIFY(!t->chkStayOnTop->isChecked());
        QVERIFY(!t->chkAppend->isChecked());
        QCOMPARE(t.platform.unexpectedMessages(), 0);
    }

    void restoreIsEnabledOnlyWithABackup() {
        {
            TestWindow t;
            QVERIFY(t.start());
            QVERIFY(!t->mnuRestore->isEnabled());
        }
        {
            TestWindow t;
            t.folder.write(QStringLiteral("\\backup\\backup.dat"), "PK");
            QVERIFY(t.start());
            QVERIFY(t->mnuRestore->isEnabled());
        }
    }

    void controlsHaveTheirDesign() {
        TestWindow t;
        QVERIFY(t.start());
        QCOMPARE(t->size(), QSize(twipsToPixels(4815), twipsToPixels(5475)));
        struct Expected {
            const char* name;
            QRect geometry;
            const char* caption;
        };
        const Expected expected[] = {
            {"lblEnterOrChooseCategory", twipsRect(360, 90, 570, 255), "Enter"},
            {"lblOrChoose", twipsRect(945, 90, 2160, 255), "or Choose a Category"},
            {"cmdClearCategory", twipsRect(345, 75, 555, 225), "Clear"},
            {"cboChoose_Category", twipsRect(360, 315, 4095, 330), nullptr},
            {"cmdAdd_category", twipsRect(2700, 690, 855, 240), "Add"},
            {"cmdRemove_Category", twipsRect(3600, 690, 855, 240), "Remove"},
            {"lblNumberOfCategories", twipsRect(360, 630, 2055, 255), nullptr},
            {"lblNumberOfNotes", twipsRect(360, 825, 2055, 255), nullptr},
            {"imgQuarn", twipsRect(2445, 1065, 2085, 300), nullptr},
            {"cmdClearDescription", twipsRect(345, 1125, 555, 225), "Clear"},
            {"lblADescription", twipsRect(945, 1140, 1320, 255), "a Description"},
            {"txtName", twipsRect(360, 1365, 4095, 375), nullptr},
            {"cmdClearNote", twipsRect(345, 1770, 555, 225), "Clear"},
            {"lblNote", twipsRect(360, 1785, 495, 210), "Note"},
            {"txtData", twipsRect(375, 2010, 4095, 2415), nullptr},
            {"lvwNoteDatabase", twipsRect(360, 1365, 4095, 3045), nullptr},
            {"cmdOpenDatabase", twipsRect(345, 4515, 1575, 375), "Open Database"},
            {"cmdBack", twipsRect(345, 4515, 1185, 375), "Enter Note"},
            {"cmdOpen", twipsRect(1605, 4515, 900, 375), "Open"},
            {"cmdSave", twipsRect(2580, 4515, 900, 375), "Save"},
            {"cmdDeleteNote", twipsRect(2580, 4515, 900, 375), "Delete"},
            {"cmdDiscard", twipsRect(3555, 4515, 900, 375), "Minimize"},
            {"chkPopUp", twipsRect(360, 5010, 1170, 315), "Pop Up"},
            {"chkStayOnTop", twipsRect(1687, 5010, 1530, 330), "Stay On Top"},
            {"chkAppend", twipsRect(3570, 5010, 1260, 315), "Append"},
        };
        for (const Expected& e : expected) {
            auto* widget = t.find<QWidget>(e.name);
            QCOMPARE(widget->geometry(), e.geometry);
            if (e.caption != nullptr) {
                const QString caption = QString::fromLatin1(e.caption);
                if (auto* label = qobject_cast<QLabel*>(widget)) {
                    QCOMPARE(label->text(), caption);
                } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                    QCOMPARE(button->text(), caption);
                }
            }
        }
        for (const char* hidden : {"cmdClearCategory", "cmdClearDescription", "cmdClearNote", "txtHidden"}) {
            QVERIFY2(!t.find<QWidget>(hidden)->isVisible(), hidden);
        }
        QVERIFY(t->chkPopUp->isChecked());
        QCOMPARE(t->Timer1->objectName(), QStringLiteral("Timer1"));
        QCOMPARE(t->Timer1->interval(), 250);
        QVERIFY(!t->windowIcon().isNull());

        // The tray menu's six items, in order.
        const QList<QAction*> items = t->mnuOP->actions();
        QCOMPARE(items.size(), 6);
        QCOMPARE(items[0], t->mnuCTRL);
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("Backup"));
        QCOMPARE(items[3]->text(), QStringLiteral("Restore"));
        QVERIFY(items[4]->isSeparator());
        QCOMPARE(items[5]->text(), QStringLiteral("&Exit"));
        QCOMPARE(t->mnuOP->defaultAction(), t->mnuCTRL);
    }

    void tabOrderFollowsTheDesign() {
        TestWindow t;
        QVERIFY(t.start());
        const QStringList order = {QStringLiteral("cboChoose_Category"),
                                   QStringLiteral("cmdAdd_category"),
                                   QStringLiteral("cmdRemove_Category"),
                                   QStringLiteral("txtName"),
                                   QStringLiteral("txtData"),
                                   QStringLiteral("lvwNoteDatabase"),
                                   QStringLiteral("cmdOpenDatabase"),
                                   QStringLiteral("cmdBack")};
        QWidget* w = t.find<QWidget>("cboChoose_Category");
        for (int i = 1; i < order.size(); ++i) {
            w = w->nextInFocusChain();
            // Labels take no focus; the combo box's own line edit sits in the chain right after the box.
            while (w->objectName().isEmpty() || w->focusPolicy() == Qt::NoFocus) {
                w = w->nextInFocusChain();
            }
            QCOMPARE(w->objectName(), order[i]);
        }
    }

    void screenReadersHearCaptionsAndDescriptions() {
        TestWindow t;
        QVERIFY(t.start());
        // A button, check box or label is announced by exactly the caption it shows.
        for (auto* button : t->findChildren<QAbstractButton*>()) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
            QVERIFY(a != nullptr);
            QCOMPARE(a->text(QAccessible::Name), QString(button->text()).remove(QLatin1Char('&')));
            QVERIFY2(!a->text(QAccessible::Description).isEmpty(), qPrintable(button->objectName()));
        }
        for (const char* field : {"cboChoose_Category", "txtName", "txtData", "lvwNoteDatabase", "imgQuarn"}) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(t.find<QWidget>(field));
            QVERIFY2(!a->text(QAccessible::Name).isEmpty(), field);
            QVERIFY2(!a->text(QAccessible::Description).isEmpty(), field);
        }
        QCOMPARE(t->lblNote->buddy(), static_cast<QWidget*>(t->txtData));
        QCOMPARE(t->lblEnterName->buddy(), static_cast<QWidget*>(t->txtName));
        QCOMPARE(t->lblOrChoose->buddy(), static_cast<QWidget*>(t->cboChoose_Category));
    }

    void captionsFitTheirControls() {
        // Run at scale factor 1 and 2 (see the test list): no caption is cut off.
        TestWindow t;
        QVERIFY(t.start());
        t->ShowDatabaseView();
        for (auto* button : t->findChildren<QPushButton*>()) {
            const int needed = button->fontMetrics().horizontalAdvance(button->text());
            QVERIFY2(needed + 4 <= button->width(), qPrintable(button->objectName()));
        }
        for (auto* check : t->findChildren<QCheckBox*>()) {
            QVERIFY2(check->sizeHint().width() <= check->width(), qPrintable(check->objectName()));
        }
        for (auto* label :
             {t->lblEnterOrChooseCategory, t->lblOrChoose, t->lblADescription, t->lblNote, t->lblEnterName}) {
            const int needed = label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(needed <= label->width(), qPrintable(label->objectName()));
        }
    }

    void editFieldsShowNoContextMenu() {
        TestWindow t;
        QVERIFY(t.start());
        // A right-click on each field, and the Menu key (or Shift+F10) where the focus is.
        QLineEdit* comboEdit = t->cboChoose_Category->lineEdit();
        const std::vector<std::pair<QWidget*, QContextMenuEvent::Reason>> requests = {
            {t->txtName, QContextMenuEvent::Mouse},
            {t->txtName, QContextMenuEvent::Keyboard},
            {t->txtData->viewport(), QContextMenuEvent::Mouse},
            {t->txtData, QContextMenuEvent::Keyboard},
            {comboEdit, QContextMenuEvent::Mouse},
            {t->cboChoose_Category, QContextMenuEvent::Keyboard}};
        for (const auto& [field, reason] : requests) {
            const QPoint at = field->rect().center();
            QContextMenuEvent request(reason, at, field->mapToGlobal(at));
            QApplication::sendEvent(field, &request);
            QVERIFY2(QApplication::activePopupWidget() == nullptr, qPrintable(field->objectName()));
        }
        // Keyboard editing still works.
        t->txtName->setFocus();
        QTest::keyClicks(t->txtName, QStringLiteral("abc"));
        QCOMPARE(t->txtName->text(), QStringLiteral("abc"));
    }

    // A message of start-up appears over the window's place, before the window is shown. (That the window is
    // centred with its frame is seen on a desktop with a window manager: desktop_startup_wm.)
    void startUpMessageAppearsOverTheWindowsPlace() {
        TestFolder folder;
        folder.remove(QStringLiteral("\\original\\data.mdb"));
        QtPlatform platform;
        FrmMain window(folder.path(), platform);
        platform.setParentWindow(&window);
        QPoint boxCentre;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxCentre = box->frameGeometry().center();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start(10);
        QVERIFY(!window.Form_Load());
        answer.stop();
        const QPoint screenCentre = window.screen()->geometry().center();
        QVERIFY2((boxCentre - screenCentre).manhattanLength() < 80,
                 qPrintable(QStringLiteral("the box stood at %1, %2").arg(boxCentre.x()).arg(boxCentre.y())));
    }

    void viewsSwitchAsDesigned() {
        TestWindow t;
        QVERIFY(t.start());
        auto enterView = [&t] {
            QCOMPARE(t->currentMode, 1);
            QCOMPARE(t->lblEnterName->text(), QStringLiteral("Enter"));
            QCOMPARE(t->lblEnterName->width(), twipsToPixels(555));
            QVERIFY(t->lblADescription->isVisible() && t->txtName->isVisible() && t->txtData->isVisible());
            QVERIFY(!t->lvwNoteDatabase->isVisible());
            QVERIFY(t->cmdOpenDatabase->isVisible());
            QCOMPARE(t->defaultButton(), t->cmdOpenDatabase);
            QVERIFY(t->cmdSave->isVisible());
            QVERIFY(!t->cmdBack->isVisible() && !t->cmdOpen->isVisible() && !t->cmdDeleteNote->isVisible());
            QVERIFY(t->cmdDiscard->isEnabled());
            QVERIFY(t->lblNote->isVisible());
        };
        enterView();
        QVERIFY(!t->cmdSave->isEnabled());

        t->cmdOpenDatabase->click();
        QCOMPARE(t->currentMode, 2);
        QCOMPARE(t->lblEnterName->text(), QStringLiteral("Current Notes"));
        QCOMPARE(t->lblEnterName->width(), twipsToPixels(2000));
        QVERIFY(!t->lblADescription->isVisible() && !t->txtName->isVisible() && !t->txtData->isVisible());
        QVERIFY(t->lvwNoteDatabase->isVisible());
        QVERIFY(!t->cmdOpenDatabase->isVisible() && !t->cmdSave->isVisible() && !t->cmdSave->isEnabled());
        QVERIFY(t->cmdBack->isVisible());
        QCOMPARE(t->defaultButton(), t->cmdBack);
        QCOMPARE(t->cmdBack->text(), QStringLiteral("Enter Note"));
        QVERIFY(t->cmdOpen->isVisible() && !t->cmdOpen->isEnabled());
        QVERIFY(t->cmdDeleteNote->isVisible() && !t->cmdDeleteNote->isEnabled());
        QVERIFY(!t->cmdRemove_Category->isEnabled());
        QVERIFY(t->cmdDiscard->isEnabled());
        QVERIFY(t->lblNote->isVisible()); // lies under the list

        t->cmdBack->click();
        enterView();
    }

    void backWithViewNoteKeepsTheTexts() {
        TestWindow t;
        QVERIFY(t.start());
        t->cmdOpenDatabase->click();
        t->txtName->setText(QStringLiteral("title"));
        t->setNoteText(QStringLiteral("body"));
        t->cmdBack->setText(QStringLiteral("View Note"));
        t->cmdBack->click();
        QCOMPARE(t->txtName->text(), QStringLiteral("title"));
        QCOMPARE(t->noteText(), QStringLiteral("body"));

        t->cmdOpenDatabase->click();
        t->cmdBack->click(); // "Enter Note": a fresh note
        QCOMPARE(t->txtName->text(), QString());
        QCOMPARE(t->noteText(), QString());
    }

    void enterViewKeepsSaveStateWhenBothTextsAreFilled() {
        TestWindow t;
        QVERIFY(t.start());
        t->txtName->setText(QStringLiteral("title"));
        t->setNoteText(QStringLiteral("body"));
        t->cmdSave->setEnabled(true);
        t->ShowEnterView();
        QVERIFY(t->cmdSave->isEnabled());
        t->cmdSave->setEnabled(false);
        t->ShowEnterView();
        QVERIFY(!t->cmdSave->isEnabled());
    }

    void minimizeHidesAndKeepsTheTexts() {
        TestWindow t;
        QVERIFY(t.start());
        t->txtName->setText(QStringLiteral("title"));
        t->setNoteText(QStringLiteral("body"));
        t->cmdDiscard->click();
        QVERIFY(!t->isVisible() || t->isMinimized());
        QCOMPARE(t->currentMode, 1);
        QCOMPARE(t->txtName->text(), QStringLiteral("title"));
        QCOMPARE(t->noteText(), QStringLiteral("body"));
    }

    void enterPressesTheDefaultButton() {
        TestWindow t;
        QVERIFY(t.start());
        t->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        t->cboChoose_Category->setFocus();
        QCOMPARE(t->defaultButton(), t->cmdOpenDatabase);
        QTest::keyClick(t->cboChoose_Category->lineEdit(), Qt::Key_Return);
        QCOMPARE(t->currentMode, 2);
        // In the database view the default is "Enter Note".
        t->cboChoose_Category->setFocus();
        QTest::keyClick(t->cboChoose_Category->lineEdit(), Qt::Key_Return);
        QCOMPARE(t->currentMode, 1);
        // Without a default button, Enter in the note box is a line break.
        t->setDefaultButton(nullptr);
        t->txtData->setFocus();
        QTest::keyClicks(t->txtData, QStringLiteral("a"));
        QTest::keyClick(t->txtData, Qt::Key_Return);
        QTest::keyClicks(t->txtData, QStringLiteral("b"));
        QCOMPARE(t->noteText(), QStringLiteral("a\nb"));
    }

    void closeAsksAndNoKeepsEverything() {
        TestWindow t;
        QVERIFY(t.start());
        t->txtName->setText(QStringLiteral("unsaved"));
        t.platform.answer(MsgAnswer::No);
        QVERIFY(!t->close());
        QVERIFY(t->isVisible());
        QVERIFY(!t->hasEnded());
        QCOMPARE(t->txtName->text(), QStringLiteral("unsaved"));
        QCOMPARE(t.platform.messages().size(), size_t{1});
        QCOMPARE(t.platform.messages()[0].text, kExitQuestion);
        QCOMPARE(t.platform.messages()[0].style, MsgStyle::YesNoExclamation);
        QCOMPARE(t.platform.messages()[0].title, QStringLiteral("Scribbet"));
        QVERIFY(t->Timer1->isActive());
    }

    void closeAnsweredYesEndsTheProgram() {
        TestWindow t;
        QVERIFY(t.start());
        t.platform.answer(MsgAnswer::Yes);
        QVERIFY(t->close());
        QVERIFY(t->hasEnded());
        QVERIFY(!t->isVisible());
        QVERIFY(!t->Timer1->isActive());
        QVERIFY(t->TrayIcon == nullptr || !t->TrayIcon->isVisible());
        QCOMPARE(t.platform.pendingAnswers(), 0);
    }

    // Memory that a large piece of work freed is kept for the next one only while the program is busy.
    void freedMemoryGoesBackWhenQuiet() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer's allocator keeps freed memory by design");
#endif
        keepFreedMemoryWarm();
        TestWindow t;
        QVERIFY(t.start());
        constexpr std::size_t kBlock = 48 * 1024 * 1024;
        const qint64 before = residentKilobytes();
        {
            std::vector<char> work(kBlock, 'x');
            QVERIFY(residentKilobytes() >= before + 40'000);
        }
        QVERIFY(residentKilobytes() >= before + 40'000);
        t->setNoteText(QStringLiteral("taken in"));
        QTRY_VERIFY_WITH_TIMEOUT(residentKilobytes() < before + 10'000, 5000);
    }

    // Work beside the window gives way to it: the thread that asks, and the threads that one starts, but not the
    // window's own thread.
    void workBesideTheWindowGivesWay() {
        const int window = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        int worker = 0;
        int started = 0;
        std::thread([&] {
            giveWayToTheWindow();
            worker = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
            std::thread([&] { started = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); }).join();
        }).join();
        QCOMPARE(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), window);
        QCOMPARE(worker, std::min(window + 10, 19));
        QCOMPARE(started, worker);
    }

    void sessionEndClosesWithoutTheQuestion() {
        TestWindow t;
        QVERIFY(t.start());
        t->sessionEnding();
        QVERIFY(t->hasEnded());
        QCOMPARE(t.platform.messages().size(), size_t{0});
    }

    void secondStartFindsTheFirst() {
        TestFolder folder;
        SingleInstance first(folder.path());
        SingleInstance second(folder.path());
        QVERIFY(first.becomePrimary());
        QVERIFY(!second.becomePrimary());
        // Another program folder is another program.
        TestFolder other;
        SingleInstance third(other.path());
        QVERIFY(third.becomePrimary());
    }

    // The later start knocks and the first answers, also when a killed run left its socket's name behind; the
    // socket is the user's alone.
    void secondStartBringsTheFirstForward() {
        TestFolder folder;
        const QDir runtime(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
        QString socketPath;
        {
            SingleInstance earlier(folder.path());
            QVERIFY(earlier.becomePrimary());
            const QStringList sockets = runtime.entryList({QStringLiteral("scribbet-*.socket")}, QDir::System);
            QCOMPARE(sockets.size(), 1);
            socketPath = runtime.filePath(sockets.front());
            QCOMPARE(QFileInfo(socketPath).permissions() &
                         (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                     QFile::Permissions());
        }
        QFile leftover(socketPath);
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        SingleInstance first(folder.path());
        QVERIFY(first.becomePrimary());
        int requests = 0;
        connect(&first, &SingleInstance::activationRequested, [&requests] { ++requests; });
        for (int knock = 1; knock <= 2; ++knock) {
            SingleInstance later(folder.path());
            QVERIFY(!later.becomePrimary());
            std::atomic<bool> answered = false;
            std::thread asking([&later, &answered] { answered = later.activatePrimary(5000); });
            QTRY_COMPARE(requests, knock);
            asking.join();
            QVERIFY(answered);
        }
    }

    void waylandSessionsRunOnX11UnlessTheUserChose() {
        const QByteArray kept = qgetenv("QT_QPA_PLATFORM");
        qputenv("WAYLAND_DISPLAY", QByteArrayLiteral("wayland-0"));
        qputenv("DISPLAY", QByteArrayLiteral(":0"));
        char program[] = "scribbet";
        char option[] = "-platform";
        char value[] = "wayland";
        char* plain[] = {program, nullptr};
        char* chosen[] = {program, option, value, nullptr};

        qunsetenv("QT_QPA_PLATFORM");
        chooseWindowSystem(1, plain);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
        qunsetenv("QT_QPA_PLATFORM");
        chooseWindowSystem(3, chosen);
        QVERIFY(qgetenv("QT_QPA_PLATFORM").isEmpty());
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("wayland"));
        chooseWindowSystem(1, plain);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("wayland"));
        // Without XWayland there is nothing to move to.
        qunsetenv("QT_QPA_PLATFORM");
        qunsetenv("DISPLAY");
        chooseWindowSystem(1, plain);
        QVERIFY(qgetenv("QT_QPA_PLATFORM").isEmpty());

        qunsetenv("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", kept);
    }

    void bringForwardShowsAHiddenWindow() {
        TestWindow t;
        QVERIFY(t.start());
        t->hide();
        t->bringForward();
        QVERIFY(t->isVisible());
    }
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
