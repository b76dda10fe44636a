// The two forms of the program: the portable folder and the installed program with a folder of the user's own.
#include "FakePlatform.h"

#include "app/FrmMain.h"
#include "categories/CategoryBox.h"
#include "common/platform/Platform.h"
#include "common/platform/ProgramFolders.h"
#include "storage/Pristine.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

#include <sys/stat.h>

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below a folder with its contents.
QMap<QString, QByteArray> contents(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, readFile(path));
    }
    return files;
}

// An installation below a temporary prefix: <prefix>/bin and <prefix>/share/scribbet with original/ and the About
// page, and a home folder whose XDG_DATA_HOME is set for the test.
struct Installation {
    QTemporaryDir root;
    QString bin = root.filePath(QStringLiteral("usr/bin"));
    QString shared = root.filePath(QStringLiteral("usr/share/scribbet"));
    QString dataHome = root.filePath(QStringLiteral("home/.local/share"));

    Installation() {
        QDir().mkpath(bin);
        QDir().mkpath(shared + QStringLiteral("/original"));
        writePristineFiles(shared + QStringLiteral("/original"));
        QFile about(shared + QStringLiteral("/about.html"));
        if (about.open(QIODevice::WriteOnly)) {
            about.write("<html></html>");
        }
        qputenv("HOME", QFile::encodeName(root.filePath(QStringLiteral("home"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    }
};

} // namespace

class TestInstalled : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("XDG_DATA_HOME"); }

    void theLayoutDecidesTheForm() {
        Installation i;
        const ProgramFolders installed = locateProgramFolders(i.bin);
        QVERIFY(installed.installed);
        QCOMPARE(installed.programFolder, i.dataHome + QStringLiteral("/scribbet"));
        QCOMPARE(installed.sharedFolder, i.shared);

        // original/ beside the executable makes it portable, whatever lies beside its folder.
        QDir().mkpath(i.bin + QStringLiteral("/original"));
        const ProgramFolders portable = locateProgramFolders(i.bin);
        QVERIFY(!portable.installed);
        QCOMPARE(portable.programFolder, i.bin);
        QCOMPARE(portable.sharedFolder, i.bin);

        // Neither: portable, and start-up reports the missing database as it always did.
        const QString bare = i.root.filePath(QStringLiteral("bare"));
        QDir().mkpath(bare);
        QCOMPARE(locateProgramFolders(bare).programFolder, bare);
        QVERIFY(!locateProgramFolders(bare).installed);
    }

    void theUserFolderFollowsXdgDataHome() {
        Installation i;
        const QString fallback = i.root.filePath(QStringLiteral("home/.local/share/scribbet"));
        qputenv("XDG_DATA_HOME", "/srv/data/");
        QCOMPARE(userProgramFolder(), QStringLiteral("/srv/data/scribbet"));
        qputenv("XDG_DATA_HOME", "relative/data");
        QCOMPARE(userProgramFolder(), fallback);
        qputenv("XDG_DATA_HOME", "");
        QCOMPARE(userProgramFolder(), fallback);
    }

    void theUserFolderIsMadeOwnerOnly() {
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("a/b/scribbet"));
        const mode_t previous = ::umask(0);
        const bool made = makePrivateFolder(folder);
        ::umask(previous);
        QVERIFY(made);
        QCOMPARE(QFileInfo(folder).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(makePrivateFolder(folder));
        // A file standing in its place is no folder.
        QFile blocker(root.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!makePrivateFolder(blocker.fileName()));
    }

    void theInstalledProgramKeepsEverythingInTheUserFolder() {
        Installation i;
        const ProgramFolders folders = locateProgramFolders(i.bin);
        const auto sharedBefore = contents(i.shared);
        QVERIFY(makePrivateFolder(folders.programFolder));
        FakePlatform platform;
        auto w = std::make_unique<FrmMain>(folders, platform);
        QVERIFY(w->Form_Load());
        w->show();
        const QString user = folders.programFolder;
        for (const char* name : {"data.mdb", "category.dat", "settings.dat"}) {
            QCOMPARE(readFile(user + QStringLiteral("/data/") + QLatin1String(name)),
                     readFile(i.shared + QStringLiteral("/original/") + QLatin1String(name)));
        }
        QVERIFY(!w->mnuRestore->isEnabled());

        // A note saved, backed up and restored: all of it in the user's folder.
        QLineEdit* category = w->cboChoose_Category->lineEdit();
        QTest::keyClicks(category, QStringLiteral("Work"));
        w->txtName->setText(QStringLiteral("Plan"));
        w->setNoteText(QStringLiteral("Ship it"));
        w->cmdSave_Click();
        QCOMPARE(QDir(user + QStringLiteral("/data")).entryList({QStringLiteral("*.txt")}).size(), 1);
        platform.answer(MsgAnswer::Ok);
        w->mnuBackup_Click();
        QCOMPARE(platform.messages().back().text, QStringLiteral("The database was backed up successfully."));
        QVERIFY(QFile::exists(user + QStringLiteral("/backup/backup.dat")));
        platform.answer(MsgAnswer::Ok);
        platform.answer(MsgAnswer::Ok);
        w->mnuRestore_Click();
        QCOMPARE(platform.messages().back().text, QStringLiteral("The database was restored successfully."));
        QCOMPARE(platform.unexpectedMessages(), 0);
        // Free space is that of the user's folder, for the backup and for the restore.
        QCOMPARE(platform.spaceAskedFor, QStringList({user, user}));

        // The About page comes from the installation.
        w->imgQuarn_Click();
        QCOMPARE(platform.openedUrls.back(), QUrl::fromLocalFile(i.shared + QStringLiteral("/about.html")).toString());

        // Nothing was written where the program is installed.
        QCOMPARE(contents(i.shared), sharedBefore);
        QVERIFY(!QFileInfo::exists(i.bin + QStringLiteral("/data")));
        w->skipQuery = true;
    }
};

QTEST_MAIN(TestInstalled)
#include "test_installed.moc"
