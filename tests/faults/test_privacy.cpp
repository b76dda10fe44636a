// Notes are private: from a first start through saving, adding a category, changing a preference, backing up and
// restoring, every folder and file the program makes is for its owner only.
#include "FaultFigures.h"
#include "TestWindow.h"

#include "categories/CategoryBox.h"
#include "common/platform/FileModes.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>

#include <sys/stat.h>

namespace {

mode_t modeOf(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 07777;
}

// Everything below folder that group or others could read, write or enter.
QStringList notPrivate(const QString& folder) {
    QStringList open;
    if ((modeOf(folder) & 077) != 0) {
        open << folder;
    }
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if ((modeOf(path) & 077) != 0) {
            open << QStringLiteral("%1 %2").arg(path).arg(modeOf(path), 0, 8);
        }
    }
    return open;
}

} // namespace

class TestPrivacy : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        ::umask(022);
        keepNewFilesPrivate();
    }

    void cleanupTestCase() { figures::reportLongestHandler(); }

    void everythingWrittenIsForTheOwnerOnly() {
        TestWindow t;
        QVERIFY(t.start());
        FrmMain& w = t.w();
        {
            const figures::HandlerTimer timer;
            w.setCategoryText(QStringLiteral("Private"));
            w.txtName->setText(QStringLiteral("secret"));
            w.setNoteText(QStringLiteral("my PIN"));
            w.cmdSave_Click();
        }
        w.setCategoryText(QStringLiteral("Another"));
        w.cmdAdd_category_Click();
        w.chkAppend->setChecked(!w.chkAppend->isChecked());
        t.platform.answer(MsgAnswer::Ok);
        {
            const figures::HandlerTimer timer;
            w.mnuBackup_Click();
        }
        t.platform.answer(MsgAnswer::Ok);
        t.platform.answer(MsgAnswer::Ok);
        {
            const figures::HandlerTimer timer;
            w.mnuRestore_Click();
        }
        QCOMPARE(t.platform.unexpectedMessages(), 0);
        QCOMPARE(t.platform.messages().back().text, QStringLiteral("The database was restored successfully."));
        QCOMPARE(modeOf(t.folder.file(QStringLiteral("\\data"))), mode_t{0700});
        QCOMPARE(modeOf(t.folder.file(QStringLiteral("\\backup\\backup.dat"))), mode_t{0600});
        const QStringList open = notPrivate(t.folder.file(QStringLiteral("\\data"))) +
                                 notPrivate(t.folder.file(QStringLiteral("\\backup\\backup.dat")));
        figures::add(figures::kCases, 1);
        QVERIFY2(open.isEmpty(), qPrintable(open.join(QLatin1Char('\n'))));
    }

    // An editor the program starts for the user makes files as the user's own mask says, not privately.
    void programsStartedForTheUserKeepTheirMask() {
        QTemporaryDir folder;
        {
            const UserFileModes userModes;
            QFile file(folder.filePath(QStringLiteral("theirs")));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFile file(folder.filePath(QStringLiteral("ours")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(modeOf(folder.filePath(QStringLiteral("theirs"))), mode_t{0644});
        QCOMPARE(modeOf(folder.filePath(QStringLiteral("ours"))), mode_t{0600});
        figures::add(figures::kCases, 1);
    }
};

QTEST_MAIN(TestPrivacy)
#include "test_privacy.moc"
