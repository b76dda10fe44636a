// Without a loadable libzip (the test runs with an unloadable libzip.so.4 first on the library path), archives fail
// with the reason and nothing written, and Backup and Restore show the messages of any other failure.
#include "TestWindow.h"

#include "FolderContents.h"

#include "backup/Archive.h"
#include "backup/LibZip.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QString kNoLibrary = QStringLiteral("The zip library could not be loaded: ");

// An archive with no entries: all a working libzip needs to open it.
QByteArray emptyZip() {
    return QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
}

} // namespace

class ZipUnavailableTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QString reason;
        QVERIFY2(libZip(&reason) == nullptr, "libzip loaded: the test must run with the unloadable one found first");
        QVERIFY2(reason.contains(QStringLiteral("libzip.so.4")), qPrintable(reason));
    }

    void archivesFailWithTheReasonAndWriteNothing() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("data"));
        QVERIFY(writeFile(folder + QStringLiteral("/note.txt"), "a note"));
        const QString archive = dir.filePath(QStringLiteral("backup.dat"));
        QString error;
        QVERIFY(!writeFolderArchive(folder, archive, &error));
        QVERIFY2(error.startsWith(kNoLibrary), qPrintable(error));
        QVERIFY(!QFileInfo::exists(archive));

        QVERIFY(writeFile(archive, emptyZip()));
        const QString unpacked = dir.filePath(QStringLiteral("unpacked"));
        QVERIFY(QDir().mkpath(unpacked));
        const ExtractResult result = extractArchive(archive, unpacked, 1 << 20);
        QCOMPARE(result.status, ExtractResult::Failed);
        QVERIFY2(result.error.startsWith(kNoLibrary), qPrintable(result.error));
        QVERIFY(result.files.isEmpty());
        QVERIFY(QDir(unpacked).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    void backupAndRestoreShowTheirUsualFailure() {
        TestWindow t;
        t.folder.makeData();
        QVERIFY(t.start());
        t->Timer1->stop();
        const QString data = t.folder.file(QStringLiteral("\\data"));
        const auto before = folderContents(data);
        const auto shown = [&t] {
            QList<QPair<QString, int>> texts;
            for (const FakePlatform::Message& m : t.platform.messages()) {
                texts.append({m.text, m.style});
            }
            return texts;
        };

        t.platform.answer(MsgAnswer::Ok);
        t->mnuBackup_Click();
        QCOMPARE(shown(),
                 (QList<QPair<QString, int>>{
                     {QStringLiteral("An unknown error occurred while backing up the database"), MsgStyle::Critical}}));
        QVERIFY(QDir(t.folder.file(QStringLiteral("\\backup")))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        QVERIFY(!t->mnuRestore->isEnabled());

        t.folder.write(QStringLiteral("\\backup\\backup.dat"), emptyZip());
        t.platform.clearMessages();
        t.platform.answer(MsgAnswer::Ok);
        t.platform.answer(MsgAnswer::Ok);
        t->mnuRestore_Click();
        QCOMPARE(
            shown(),
            (QList<QPair<QString, int>>{
                {QStringLiteral("Are you sure you want to restore the database from your previous backup?"),
                 MsgStyle::OkCancelExclamation},
                {QStringLiteral("The database could not be restored from the backup file."), MsgStyle::Critical}}));
        QCOMPARE(folderContents(data), before);
        // No staging folder left beside the data folder.
        QCOMPARE(QDir(t.folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("backup"), QStringLiteral("data"), QStringLiteral("original")}));
        QCOMPARE(t.platform.unexpectedMessages(), 0);
        QCOMPARE(t.platform.pendingAnswers(), 0);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }
};

QTEST_MAIN(ZipUnavailableTest)
#include "test_zip_unavailable.moc"
