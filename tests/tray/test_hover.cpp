// Hover feedback: the "Clear" buttons over the headings and the logo that is underlined like a link.
#include "TestWindow.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

namespace {

// A mouse move as the window system delivers it, so that it passes the window's routing to the handlers.
void moveOver(QWidget* widget) {
    const QPointF local(2, 2);
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

bool underlined(TestWindow& t) {
    return t->imgQuarn->pixmap().toImage() == t->imlQuarn[1].toImage();
}
bool normal(TestWindow& t) {
    return t->imgQuarn->pixmap().toImage() == t->imlQuarn[0].toImage();
}

int blueUnderlinePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) == QColor(0, 0, 237) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class TestHover : public QObject {
    Q_OBJECT

private:
    static bool start(TestWindow& t) {
        const bool started = t.start();
        t->Timer1->stop();
        return started;
    }

private slots:
    void theLogoComesInTwoPictures() {
        TestWindow t;
        QVERIFY(start(t));
        QCOMPARE(t->imlQuarn[0].size(), QSize(139, 20));
        QCOMPARE(t->imlQuarn[1].size(), QSize(139, 20));
        QCOMPARE(blueUnderlinePixels(t->imlQuarn[0].toImage()), 0);
        // One line beneath the lettering, most of the picture wide.
        QVERIFY(blueUnderlinePixels(t->imlQuarn[1].toImage()) > 60);
        QVERIFY(normal(t));
        QCOMPARE(t->imgQuarn->cursor().shape(), Qt::PointingHandCursor);
    }

    void theLogoIsUnderlinedUntilAResetRuns() {
        TestWindow t;
        QVERIFY(start(t));
        t->imgQuarn_MouseMove();
        QVERIFY(underlined(t));
        QVERIFY(t->quarnUnderline);
        t->imgQuarn_MouseMove();
        QVERIFY(underlined(t));
        t->ResetHover();
        QVERIFY(normal(t));
        QVERIFY(!t->quarnUnderline);
        // The description heading and the note list turn it back too.
        t->imgQuarn_MouseMove();
        t->lblEnterName_MouseMove();
        QVERIFY(normal(t));
        QVERIFY(!t->quarnUnderline);
        t->imgQuarn_MouseMove();
        t->lvwNoteDatabase_MouseMove();
        QVERIFY(normal(t));
        QVERIFY(!t->quarnUnderline);
        // The other two headings leave it alone.
        t->imgQuarn_MouseMove();
        t->lblEnterOrChooseCategory_MouseMove();
        t->lblNote_MouseMove();
        QVERIFY(underlined(t));
    }

    void aClickOpensTheAboutPageAndTheLogoStaysPlainUntilAReset() {
        TestWindow t;
        QVERIFY(start(t));
        t->imgQuarn_MouseMove();
        t->imgQuarn_Click();
        QCOMPARE(t.platform.openedUrls,
                 QStringList{QUrl::fromLocalFile(t.folder.path() + QStringLiteral("/about.html")).toString()});
        QVERIFY(normal(t));
        QVERIFY(t->quarnUnderline);
        t->imgQuarn_MouseMove();
        QVERIFY(normal(t));
        t->ResetHover();
        t->imgQuarn_MouseMove();
        QVERIFY(underlined(t));
        QCOMPARE(t.platform.unexpectedMessages(), 0);
    }

    void theAboutPageLiesBesideTheProgram() {
        QFile page(QStringLiteral(SCRIBBET_PROGRAM_DIR "/about.html"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(page.readAll());
        QVERIFY(text.contains(QStringLiteral("<code>data</code>")));
        QVERIFY(text.contains(QStringLiteral("backup/backup.dat")));
    }

    void clearButtonsShowOverTheirHeadingsUntilAReset() {
        TestWindow t;
        QVERIFY(start(t));
        t->lblEnterOrChooseCategory_MouseMove();
        t->lblEnterName_MouseMove();
        t->lblNote_MouseMove();
        QVERIFY(t->cmdClearCategory->isVisible());
        QVERIFY(t->cmdClearDescription->isVisible());
        QVERIFY(t->cmdClearNote->isVisible());
        // The labels stay underneath their buttons.
        QVERIFY(t->lblEnterOrChooseCategory->isVisible());
        QVERIFY(t->lblEnterName->isVisible());
        QVERIFY(t->lblNote->isVisible());

        // A click does not hide a button; neither does the description heading or the note list.
        t->cmdClearNote->click();
        t->lblEnterName_MouseMove();
        t->lvwNoteDatabase_MouseMove();
        QVERIFY(t->cmdClearCategory->isVisible());
        QVERIFY(t->cmdClearNote->isVisible());
        t->ResetHover();
        QVERIFY(!t->cmdClearCategory->isVisible());
        QVERIFY(!t->cmdClearDescription->isVisible());
        QVERIFY(!t->cmdClearNote->isVisible());
        QVERIFY(t->lblEnterOrChooseCategory->isVisible());
        QVERIFY(t->lblEnterName->isVisible());
        QVERIFY(t->lblNote->isVisible());
    }

    void inTheListViewOnlyTheNoteHeadingShowsItsButton() {
        TestWindow t;
        QVERIFY(start(t));
        t->cmdOpenDatabase->click();
        QCOMPARE(t->currentMode, 2);
        t->imgQuarn_MouseMove();
        t->lblEnterOrChooseCategory_MouseMove();
        QVERIFY(!t->cmdClearCategory->isVisible());
        t->lblEnterName_MouseMove(); // "Current Notes": no button, but the logo turns back
        QVERIFY(!t->cmdClearDescription->isVisible());
        QVERIFY(normal(t));
        t->lblNote_MouseMove();
        QVERIFY(t->cmdClearNote->isVisible());
    }

    // Moves as the window system delivers them reach the handler of the control under the mouse, and only that
    // one: a move over a heading or the logo must not also count as a move over the window behind it.
    void mouseMovesReachTheirHandlers() {
        TestWindow t;
        QVERIFY(start(t));
        moveOver(t->imgQuarn);
        QVERIFY(underlined(t));
        moveOver(t->cmdSave); // no handler of its own: the logo stays underlined
        QVERIFY(underlined(t));
        moveOver(t->lblEnterOrChooseCategory);
        moveOver(t->lblNote);
        QVERIFY(t->cmdClearCategory->isVisible());
        QVERIFY(t->cmdClearNote->isVisible());
        QVERIFY(underlined(t));
        moveOver(t->lblEnterName);
        QVERIFY(t->cmdClearDescription->isVisible());
        QVERIFY(normal(t));

        for (QWidget* reset : {static_cast<QWidget*>(t.operator->()), static_cast<QWidget*>(t->lblOrChoose),
                               static_cast<QWidget*>(t->lblADescription), static_cast<QWidget*>(t->lblNumberOfNotes),
                               static_cast<QWidget*>(t->lblNumberOfCategories), static_cast<QWidget*>(t->txtName),
                               t->txtData->viewport()}) {
            t->lblNote_MouseMove();
            t->imgQuarn_MouseMove();
            moveOver(reset);
            QVERIFY2(normal(t), qPrintable(reset->objectName()));
            QVERIFY(!t->cmdClearNote->isVisible());
        }
        t->cmdOpenDatabase->click();
        t->lblNote_MouseMove();
        t->imgQuarn_MouseMove();
        moveOver(t->lvwNoteDatabase->viewport());
        QVERIFY(normal(t));
        QVERIFY(t->cmdClearNote->isVisible());

        QTest::mouseClick(t->imgQuarn, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(t.platform.openedUrls.size(), 1);
    }
};

QTEST_MAIN(TestHover)
#include "test_hover.moc"
