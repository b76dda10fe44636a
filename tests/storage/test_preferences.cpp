// The preferences: the three check boxes read from and written to "\data\settings.dat".
#include "TestWindow.h"

#include <QCheckBox>
#include <QTest>

namespace {

const QString kSettings = QStringLiteral("\\data\\settings.dat");

bool onTop(FrmMain& window) {
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT

private slots:
    void startUpAppliesTheFile() {
        TestWindow t;
        t.folder.makeData();
        const QByteArray file = "[settings]\r\npopup=0\r\nstayontop=1\r\nappend=1\r\n";
        t.folder.write(kSettings, file);
        QVERIFY(t.start());
        QVERIFY(!t->chkPopUp->isChecked());
        QVERIFY(t->chkStayOnTop->isChecked());
        QVERIFY(t->chkAppend->isChecked());
        QVERIFY(onTop(t.w()));
        QVERIFY(t->isVisible());
        QCOMPARE(t.folder.read(kSettings), file);
    }

    void startUpMatchingTheDesignRunsNoHandler() {
        TestWindow t;
        t.folder.makeData();
        // Values a handler would write differently: any write would show.
        const QByteArray file = "[settings]\r\npopup= 1\r\nstayontop=00\r\nappend=0.0\r\n";
        t.folder.write(kSettings, file);
        QVERIFY(t.start());
        QVERIFY(t->chkPopUp->isChecked());
        QVERIFY(!t->chkStayOnTop->isChecked());
        QVERIFY(!t->chkAppend->isChecked());
        QVERIFY(!onTop(t.w()));
        QCOMPARE(t.folder.read(kSettings), file);
    }

    void valuesAreReadAsWholeNumbers_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("popUp");
        QTest::addColumn<bool>("stayOnTop");
        QTest::addColumn<bool>("append");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("stayontop=5") << QByteArray("[settings]\r\npopup=1\r\nstayontop=5\r\nappend=0\r\n") << true
                                     << true << false
                                     << QByteArray("[settings]\r\npopup=1\r\nstayontop=1\r\nappend=0\r\n");
        QTest::newRow("popup=abc") << QByteArray("[settings]\r\npopup=abc\r\nstayontop=0\r\nappend=0\r\n") << false
                                   << false << false
                                   << QByteArray("[settings]\r\npopup=0\r\nstayontop=0\r\nappend=0\r\n");
        QTest::newRow("empty and fractions")
            << QByteArray("[Settings]\r\nPOPUP=\r\nstayontop=0.4\r\nappend=0.6\r\n") << false << false << true
            << QByteArray("[Settings]\r\nPOPUP=0\r\nstayontop=0.4\r\nappend=1\r\n");
        QTest::newRow("keys missing") << QByteArray("; nothing here\r\n") << false << false << false
                                      << QByteArray("; nothing here\r\n[settings]\r\npopup=0\r\n");
    }
    void valuesAreReadAsWholeNumbers() {
        QFETCH(QByteArray, file);
        QFETCH(bool, popUp);
        QFETCH(bool, stayOnTop);
        QFETCH(bool, append);
        QFETCH(QByteArray, after);
        TestWindow t;
        t.folder.makeData();
        t.folder.write(kSettings, file);
        QVERIFY(t.start());
        QCOMPARE(t->chkPopUp->isChecked(), popUp);
        QCOMPARE(t->chkStayOnTop->isChecked(), stayOnTop);
        QCOMPARE(t->chkAppend->isChecked(), append);
        QCOMPARE(onTop(t.w()), stayOnTop);
        QCOMPARE(t.folder.read(kSettings), after);
    }

    void missingFileLeavesAllUncheckedAndWritesPopUp() {
        TestWindow t;
        t.folder.remove(QStringLiteral("\\original\\settings.dat"));
        QVERIFY(t.start());
        QVERIFY(!t->chkPopUp->isChecked());
        QVERIFY(!t->chkStayOnTop->isChecked());
        QVERIFY(!t->chkAppend->isChecked());
        QCOMPARE(t.folder.read(kSettings), QByteArray("[settings]\r\npopup=0\r\n"));
    }

    void clickingStayOnTopTwice() {
        TestWindow t;
        QVERIFY(t.start());
        const QPoint position = t->pos();
        QCheckBox* box = t.find<QCheckBox>("chkStayOnTop");
        const auto stored = [&] {
            return t.folder.read(kSettings).contains("stayontop=1\r\n")   ? 1
                   : t.folder.read(kSettings).contains("stayontop=0\r\n") ? 0
                                                                          : -1;
        };

        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(stored(), 1);
        QVERIFY(onTop(t.w()));
        QVERIFY(t->isVisible());
        QCOMPARE(t->pos(), position);

        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(stored(), 0);
        QVERIFY(!onTop(t.w()));
        QVERIFY(t->isVisible());
        QCOMPARE(t->pos(), position);
    }

    void popUpAndAppendClicksAreStored() {
        TestWindow t;
        QVERIFY(t.start());
        QTest::mouseClick(t.find<QCheckBox>("chkPopUp"), Qt::LeftButton);
        QTest::mouseClick(t.find<QCheckBox>("chkAppend"), Qt::LeftButton);
        QCOMPARE(t.folder.read(kSettings), QByteArray("[settings]\r\npopup=0\r\nstayontop=0\r\nappend=1\r\n"));
        QVERIFY(!onTop(t.w()));
    }
};

QTEST_MAIN(TestPreferences)
#include "test_preferences.moc"
