// Backup and Restore from the tray menu, on the real window: the questions, the space checks, the messages, the
// archive on disk and the window reloaded from the restored files.
#include "TestWindow.h"

#include "FolderContents.h"

#include "backup/Archive.h"
#include "backup/RestoreJournal.h"
#include "categories/CategoryBox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>
#include <zip.h>

#include <functional>
#include <vector>

namespace {

const QString kTitle = QStringLiteral("Scribbet");
const QString kReplaceQuestion = QStringLiteral("Are you sure you want to replace the existing backup file?");
const QString kBackupNoSpace =
    QStringLiteral("There is not enough available drive space on the drive to backup the database.");
const QString kBackupFailed = QStringLiteral("An unknown error occurred while backing up the database");
const QString kBackedUp = QStringLiteral("The database was backed up successfully.");
const QString kRestoreQuestion =
    QStringLiteral("Are you sure you want to restore the database from your previous backup?");
const QString kNoArchive = QStringLiteral("The backup file is missing or you have not done a backup.");
const QString kRestoreNoSpace = QStringLiteral("There is not enough available drive space to restore the database.");
const QString kRestoreFailed = QStringLiteral("The database could not be restored from the backup file.");
const QString kRestored = QStringLiteral("The database was restored successfully.");

const QString kArchive = QStringLiteral("\\backup\\backup.dat");

struct Entry {
    QByteArray name;
    QByteArray data;
    zip_uint32_t mode = 0100644;
};

// An archive written entry by entry with libzip, names exactly as given.
QByteArray craftZip(const std::vector<Entry>& entries) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("crafted.zip")));
    int code = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        return {};
    }
    for (const Entry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.constData(), entry.data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, entry.name.constData(), source, 0);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return {};
        }
        zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         entry.mode << 16);
    }
    if (zip_close(archive) < 0) {
        zip_discard(archive);
        return {};
    }
    QFile file(dir.filePath(QStringLiteral("crafted.zip")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An SQLite database made by the statements given.
QByteArray sqliteFile(const char* statements) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("made.db"));
    sqlite3* db = nullptr;
    const bool made = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
                      sqlite3_exec(db, statements, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    QFile file(path);
    return made && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray noise(int size) {
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(11);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

std::int64_t folderSize(const QString& folder) {
    std::int64_t total = 0;
    for (const QByteArray& bytes : folderContents(folder)) {
        total += bytes.size();
    }
    return total;
}

class Fixture {
public:
    // A started window whose category file lists "Work".
    bool start() {
        t.folder.makeData();
        t.folder.write(QStringLiteral("\\data\\category.dat"), "[main]\r\ntotal=1\r\n[category]\r\n1=Work\r\n");
        t.platform.trashFolder = trash.path();
        const bool started = t.start();
        t->Timer1->stop();
        return started;
    }
    QString data() const { return t.folder.file(QStringLiteral("\\data")); }
    QMap<QString, QByteArray> snapshot() const { return folderContents(data()); }

    void backup(std::initializer_list<int> answers) {
        for (int answer : answers) {
            t.platform.answer(answer);
        }
        t.platform.clearMessages();
        t->mnuBackup_Click();
    }
    void restore(std::initializer_list<int> answers) {
        for (int answer : answers) {
            t.platform.answer(answer);
        }
        t.platform.clearMessages();
        t->mnuRestore_Click();
    }
    // The texts and styles of the message boxes shown since the last backup or restore; all titled "Scribbet".
    QList<QPair<QString, int>> messages() const {
        QList<QPair<QString, int>> shown;
        for (const FakePlatform::Message& m : t.platform.messages()) {
            shown.append({m.title == kTitle ? m.text : QStringLiteral("[title %1] ").arg(m.title) + m.text, m.style});
        }
        return shown;
    }
    // Every box was expected and every queued answer used; the pointer is back to normal.
    bool settled() const {
        return t.platform.unexpectedMessages() == 0 && t.platform.pendingAnswers() == 0 &&
               QApplication::overrideCursor() == nullptr;
    }
    // Files of the program folder beside data/, original/ and backup/: what a restore may have left behind.
    QStringList strays() const {
        return QDir(t.folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
            .filter(QRegularExpression(QStringLiteral("^(?!(data|original|backup)$)")));
    }

    void saveNote(const QString& description, const QString& text) {
        t->selectCategory(0);
        t->txtName->setText(description);
        t->setNoteText(text);
        t->cmdSave_Click();
    }

    TestWindow t;
    QTemporaryDir trash;
};

using Messages = QList<QPair<QString, int>>;

// Runs action once the progress window of the next Backup or Restore shows, with that window.
void whenProgressShows(const std::function<void(QWidget*)>& action) {
    QTimer::singleShot(0, [action] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QStringLiteral("frmProgress") && widget->isVisible()) {
                action(widget);
                return;
            }
        }
        QFAIL("no progress window");
    });
}

void pressCancel(QWidget* progress) {
    progress->findChild<QPushButton*>(QStringLiteral("cmdCancelProgress"))->click();
}

// A data folder of a few thousand notes, so that the work lasts long enough to be cancelled.
void addNotes(const Fixture& f, int count) {
    for (int i = 0; i < count; ++i) {
        writeFile(f.data() + QStringLiteral("/Note%1.txt").arg(i, 12, 10, QLatin1Char('0')), noise(2048).toBase64());
    }
}

} // namespace

class BackupWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstBackupAsksNothingAndEnablesRestore() {
        Fixture f;
        QVERIFY(f.start());
        QVERIFY(!f.t->mnuRestore->isEnabled());
        f.backup({MsgAnswer::Ok});
        QCOMPARE(f.messages(), (Messages{{kBackedUp, MsgStyle::Information}}));
        QVERIFY(f.settled());
        QVERIFY(f.t->mnuRestore->isEnabled());
        QVERIFY(f.t.platform.trashedFiles.isEmpty());
        // Readable by its owner only, and no temporary file left beside it.
        const QFileInfo archive(f.t.folder.file(kArchive));
        QCOMPARE(archive.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QDir(archive.absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("backup.dat")});
    }

    void secondBackupReplacesTheArchiveAndTrashesTheOldOne() {
        Fixture f;
        QVERIFY(f.start());
        f.backup({MsgAnswer::Ok});
        const QByteArray first = f.t.folder.read(kArchive);
        f.t.folder.write(QStringLiteral("\\data\\.hidden\\deep.txt"), "added later");
        f.backup({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages(),
                 (Messages{{kReplaceQuestion, MsgStyle::OkCancelExclamation}, {kBackedUp, MsgStyle::Information}}));
        QVERIFY(f.settled());
        QCOMPARE(f.t.platform.trashedFiles, QStringList{f.t.folder.file(kArchive)});
        QCOMPARE(folderContents(f.trash.path()).first(), first);

        QTemporaryDir out;
        QCOMPARE(extractArchive(f.t.folder.file(kArchive), out.path(), 1 << 30).status, ExtractResult::Extracted);
        QCOMPARE(folderContents(out.path()), f.snapshot());
    }

    void cancelAtEitherQuestionChangesNothing() {
        Fixture f;
        f.t.folder.write(kArchive, "an earlier archive");
        QVERIFY(f.start());
        const auto before = f.snapshot();
        f.backup({MsgAnswer::Cancel});
        QCOMPARE(f.messages(), (Messages{{kReplaceQuestion, MsgStyle::OkCancelExclamation}}));
        f.restore({MsgAnswer::Cancel});
        QCOMPARE(f.messages(), (Messages{{kRestoreQuestion, MsgStyle::OkCancelExclamation}}));
        QVERIFY(f.settled());
        QCOMPARE(f.t.folder.read(kArchive), QByteArray("an earlier archive"));
        QCOMPARE(f.snapshot(), before);
        QVERIFY(f.t.platform.trashedFiles.isEmpty());
    }

    void backupNeedsTwiceTheDataSize_data() {
        QTest::addColumn<int>("shortBy");
        QTest::newRow("exactly twice") << 0;
        QTest::newRow("one byte less") << 1;
    }
    void backupNeedsTwiceTheDataSize() {
        QFETCH(int, shortBy);
        Fixture f;
        QVERIFY(f.start());
        f.t.folder.write(QStringLiteral("\\data\\sub\\note.txt"), "nested");
        f.t.platform.freeBytes = 2 * folderSize(f.data()) - shortBy;
        f.backup({MsgAnswer::Ok});
        QCOMPARE(f.messages(), (Messages{shortBy == 0 ? qMakePair(kBackedUp, MsgStyle::Information)
                                                      : qMakePair(kBackupNoSpace, MsgStyle::Critical)}));
        QVERIFY(f.settled());
        QCOMPARE(f.t.folder.exists(kArchive), shortBy == 0);
        QCOMPARE(f.t->mnuRestore->isEnabled(), shortBy == 0);
    }

    void failedBackupIsReportedAndKeepsTheOldArchive_data() {
        QTest::addColumn<QString>("cause");
        QTest::newRow("empty data folder") << QStringLiteral("empty");
        QTest::newRow("missing data folder") << QStringLiteral("missing");
        QTest::newRow("backup folder cannot be made") << QStringLiteral("blocked");
    }
    void failedBackupIsReportedAndKeepsTheOldArchive() {
        QFETCH(QString, cause);
        Fixture f;
        QVERIFY(f.start());
        f.backup({MsgAnswer::Ok});
        const QByteArray old = f.t.folder.read(kArchive);
        QList<int> answers{MsgAnswer::Ok, MsgAnswer::Ok};
        if (cause == QStringLiteral("empty")) {
            for (const QString& name : f.snapshot().keys()) {
                QVERIFY(QFile::remove(f.data() + QLatin1Char('/') + name));
            }
        } else if (cause == QStringLiteral("missing")) {
            QVERIFY(QDir(f.data()).removeRecursively());
        } else if (cause == QStringLiteral("blocked")) {
            QVERIFY(QDir(f.t.folder.file(QStringLiteral("\\backup"))).removeRecursively());
            f.t.folder.write(QStringLiteral("\\backup"), "a file where the folder belongs");
            answers = {MsgAnswer::Ok};
        }
        for (int answer : answers) {
            f.t.platform.answer(answer);
        }
        f.t.platform.clearMessages();
        f.t->mnuBackup_Click();
        QCOMPARE(f.messages().last(), qMakePair(kBackupFailed, MsgStyle::Critical));
        QVERIFY(f.settled());
        if (cause != QStringLiteral("blocked")) {
            QCOMPARE(f.t.folder.read(kArchive), old);
            QCOMPARE(QDir(f.t.folder.file(QStringLiteral("\\backup"))).entryList(QDir::Files | QDir::Hidden),
                     QStringList{QStringLiteral("backup.dat")});
        }
    }

    // Where no trash takes the old archive (another file system than the home folder's), the user's agreement to
    // replace it stands: the new archive takes its place.
    void anArchiveNoTrashTakesIsReplacedAllTheSame() {
        Fixture f;
        QVERIFY(f.start());
        f.t.folder.write(kArchive, "an earlier archive");
        f.t.platform.trash.fail = true;
        f.backup({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages(),
                 (Messages{{kReplaceQuestion, MsgStyle::OkCancelExclamation}, {kBackedUp, MsgStyle::Information}}));
        QVERIFY(f.settled());
        QTemporaryDir out;
        QCOMPARE(extractArchive(f.t.folder.file(kArchive), out.path(), 1 << 30).status, ExtractResult::Extracted);
        QCOMPARE(folderContents(out.path()), f.snapshot());
        QCOMPARE(QDir(f.t.folder.file(QStringLiteral("\\backup")))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("backup.dat")});
    }

    // What kills left: a restore that had written its journal is finished (files already moved stay, the rest
    // move), one that had not is cleared away without touching the data folder, and a backup's temporary archive goes.
    void startUpFinishesOrClearsWhatAKillLeft() {
        Fixture f;
        f.t.folder.makeData();
        f.t.folder.write(QStringLiteral("\\data\\Movedxxxxxxxxxxx.txt"), "moved before the kill");
        f.t.folder.write(QStringLiteral("\\data\\Oldxxxxxxxxxxxxx.txt"), "replaced");
        f.t.folder.write(QStringLiteral("\\data\\Keptxxxxxxxxxxxx.txt"), "not in the archive");
        const QString committed = f.t.folder.file(QStringLiteral("\\.restore-AAAAAA"));
        f.t.folder.write(QStringLiteral("\\.restore-AAAAAA\\unpacked\\category.dat"),
                         "[main]\r\ntotal=1\r\n[category]\r\n1=Restored\r\n");
        f.t.folder.write(QStringLiteral("\\.restore-AAAAAA\\unpacked\\Oldxxxxxxxxxxxxx.txt"), "restored");
        f.t.folder.write(QStringLiteral("\\.restore-AAAAAA\\unpacked\\sub\\n.txt"), "nested");
        f.t.folder.write(QStringLiteral("\\.restore-AAAAAA\\replaced\\0"), "an earlier Moved");
        QVERIFY(restorejournal::write(committed,
                                      {QStringLiteral("Movedxxxxxxxxxxx.txt"), QStringLiteral("category.dat"),
                                       QStringLiteral("Oldxxxxxxxxxxxxx.txt"), QStringLiteral("sub/n.txt")},
                                      {QStringLiteral("sub")}));
        f.t.folder.write(QStringLiteral("\\.restore-BBBBBB\\unpacked\\settings.dat"), "[settings]\r\npopup=0\r\n");
        f.t.folder.write(QStringLiteral("\\backup\\backup.dat-CCCCCC"), "half an archive");
        f.t.folder.write(kArchive, "the archive");
        auto expected = f.snapshot();
        expected[QStringLiteral("category.dat")] = "[main]\r\ntotal=1\r\n[category]\r\n1=Restored\r\n";
        expected[QStringLiteral("Oldxxxxxxxxxxxxx.txt")] = "restored";
        expected[QStringLiteral("sub/n.txt")] = "nested";
        QVERIFY(f.start());
        QCOMPARE(f.snapshot(), expected);
        QCOMPARE(f.t->cboChoose_Category->item(0), QStringLiteral("Restored"));
        QVERIFY(f.strays().isEmpty());
        QCOMPARE(QDir(f.t.folder.file(QStringLiteral("\\backup"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("backup.dat")});
        QCOMPARE(f.t.platform.unexpectedMessages(), 0);
    }

    // While the work runs its progress window shows; Cancel stops it with no message and nothing changed, and a
    // close request made meanwhile is answered once the work and its message are over.
    void cancelAndCloseDuringTheWork() {
        Fixture f;
        QVERIFY(f.start());
        addNotes(f, 1500);
        f.backup({MsgAnswer::Ok});
        const QByteArray archive = f.t.folder.read(kArchive);
        f.t.folder.write(QStringLiteral("\\data\\Note000000000001.txt"), "changed since the backup");
        const auto before = f.snapshot();

        QString shown;
        whenProgressShows([&shown](QWidget* progress) {
            shown = progress->findChild<QLabel*>(QStringLiteral("lblProgress"))->text();
            pressCancel(progress);
        });
        f.backup({MsgAnswer::Ok});
        QCOMPARE(shown, QStringLiteral("Backing up the database..."));
        QCOMPARE(f.messages(), (Messages{{kReplaceQuestion, MsgStyle::OkCancelExclamation}}));
        QCOMPARE(f.t.folder.read(kArchive), archive);
        QCOMPARE(QDir(f.t.folder.file(QStringLiteral("\\backup"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("backup.dat")});

        whenProgressShows([&shown](QWidget* progress) {
            shown = progress->findChild<QLabel*>(QStringLiteral("lblProgress"))->text();
            pressCancel(progress);
        });
        f.restore({MsgAnswer::Ok});
        QCOMPARE(shown, QStringLiteral("Restoring the database..."));
        QCOMPARE(f.messages(), (Messages{{kRestoreQuestion, MsgStyle::OkCancelExclamation}}));
        QCOMPARE(f.snapshot(), before);
        QVERIFY(f.strays().isEmpty());
        QVERIFY(f.settled());

        // The close box during a Restore: the exit question follows the work's own message.
        whenProgressShows([&f](QWidget*) { f.t->close(); });
        f.restore({MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::No});
        QCOMPARE(f.messages(),
                 (Messages{{kRestoreQuestion, MsgStyle::OkCancelExclamation},
                           {kRestored, MsgStyle::Information},
                           {QStringLiteral("Are you sure you want to exit Scribbet?"), MsgStyle::YesNoExclamation}}));
        QVERIFY(!f.t->hasEnded());
        QVERIFY(f.settled());
    }

    // The end of the session cancels a Backup, and the program ends without a message.
    void sessionEndCancelsABackup() {
        Fixture f;
        QVERIFY(f.start());
        addNotes(f, 1500);
        f.backup({MsgAnswer::Ok});
        const QByteArray archive = f.t.folder.read(kArchive);
        whenProgressShows([&f](QWidget*) { f.t->sessionEnding(); });
        f.backup({MsgAnswer::Ok});
        QCOMPARE(f.messages(), (Messages{{kReplaceQuestion, MsgStyle::OkCancelExclamation}}));
        QVERIFY(f.t->hasEnded());
        QCOMPARE(f.t.folder.read(kArchive), archive);
        QCOMPARE(QDir(f.t.folder.file(QStringLiteral("\\backup"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("backup.dat")});
    }

    void missingBackupFolderIsMade() {
        Fixture f;
        QVERIFY(f.start());
        QVERIFY(QDir(f.t.folder.file(QStringLiteral("\\backup"))).removeRecursively());
        f.backup({MsgAnswer::Ok});
        QCOMPARE(f.messages(), (Messages{{kBackedUp, MsgStyle::Information}}));
        QVERIFY(f.t.folder.exists(kArchive));
    }

    void restoreWithoutArchiveSaysSo() {
        Fixture f;
        QVERIFY(f.start());
        f.restore({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages(),
                 (Messages{{kRestoreQuestion, MsgStyle::OkCancelExclamation}, {kNoArchive, MsgStyle::Critical}}));
        QVERIFY(f.settled());
    }

    void restoreNeedsTwiceTheArchiveLength_data() {
        QTest::addColumn<int>("shortBy");
        QTest::newRow("exactly twice") << 0;
        QTest::newRow("one byte less") << 1;
    }
    void restoreNeedsTwiceTheArchiveLength() {
        QFETCH(int, shortBy);
        Fixture f;
        QVERIFY(f.start());
        // Incompressible, so that the files unpack to less than twice the archive.
        f.t.folder.write(QStringLiteral("\\data\\noise.bin"), noise(256 * 1024));
        f.backup({MsgAnswer::Ok});
        f.t.folder.write(QStringLiteral("\\data\\noise.bin"), "changed");
        f.t.platform.freeBytes = 2 * QFileInfo(f.t.folder.file(kArchive)).size() - shortBy;
        f.restore({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages().last(), shortBy == 0 ? qMakePair(kRestored, MsgStyle::Information)
                                                   : qMakePair(kRestoreNoSpace, MsgStyle::Critical));
        QVERIFY(f.settled());
        QCOMPARE(f.t.folder.read(QStringLiteral("\\data\\noise.bin")).size(), shortBy == 0 ? 256 * 1024 : 7);
    }

    void missingDataFolderIsRestoredWhole() {
        Fixture f;
        QVERIFY(f.start());
        f.backup({MsgAnswer::Ok});
        const auto backedUp = f.snapshot();
        QVERIFY(QDir(f.data()).removeRecursively());
        f.restore({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages().last(), qMakePair(kRestored, MsgStyle::Information));
        QVERIFY(f.settled());
        QCOMPARE(f.snapshot(), backedUp);
    }

    void restoreBringsBackNotesPreferencesAndEveryFile() {
        Fixture f;
        QVERIFY(f.start());
        f.saveNote(QStringLiteral("before"), QStringLiteral("kept"));
        QCOMPARE(f.t->noteListCount(), 1);
        f.t.folder.write(QStringLiteral("\\data\\.hidden"), "hidden");
        f.t.folder.write(QStringLiteral("\\data\\sub\\.deep\\n.txt"), "nested");
        QVERIFY(!f.t->chkAppend->isChecked());
        f.backup({MsgAnswer::Ok});
        const auto backedUp = f.snapshot();

        f.saveNote(QStringLiteral("after"), QStringLiteral("made after the backup"));
        QCOMPARE(f.t->noteListCount(), 2);
        const auto withLaterNote = f.snapshot();
        f.t->chkAppend->setChecked(true);
        f.t.folder.remove(QStringLiteral("\\data\\.hidden"));
        f.t.folder.write(QStringLiteral("\\data\\sub\\.deep\\n.txt"), "changed");

        f.restore({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages(),
                 (Messages{{kRestoreQuestion, MsgStyle::OkCancelExclamation}, {kRestored, MsgStyle::Information}}));
        QVERIFY(f.settled());
        QCOMPARE(f.t->noteListCount(), 1);
        QVERIFY(!f.t->chkAppend->isChecked());
        // The later note's file stays; everything the archive holds is as it was backed up.
        auto expected = backedUp;
        for (auto it = withLaterNote.begin(); it != withLaterNote.end(); ++it) {
            if (!expected.contains(it.key())) {
                expected.insert(it.key(), it.value());
            }
        }
        QCOMPARE(f.snapshot(), expected);
        QVERIFY(f.strays().isEmpty());
    }

    // Archives made by other tools restore, whatever their style: folder entries, a leading "./", sizes and
    // checksums in data descriptors after the entries.
    void standardArchivesRestore_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("zip -r -9") << QStringLiteral("zip -r -9 -q \"$1\" .");
        QTest::newRow("zip to a pipe") << QStringLiteral("zip -q -r - . | cat > \"$1\"");
        QTest::newRow("bsdtar") << QStringLiteral("bsdtar -a -cf \"$1.zip\" . && mv \"$1.zip\" \"$1\"");
    }
    void standardArchivesRestore() {
        QFETCH(QString, command);
        Fixture f;
        QVERIFY(f.start());
        f.saveNote(QStringLiteral("kept"), QStringLiteral("in the backup"));
        QTemporaryDir other;
        QDir().mkpath(other.path());
        QProcess copy;
        copy.start(QStringLiteral("cp"), {QStringLiteral("-a"), f.data() + QStringLiteral("/."), other.path()});
        QVERIFY(copy.waitForFinished(-1) && copy.exitCode() == 0);
        QVERIFY(writeFile(other.filePath(QStringLiteral("category.dat")),
                          "[main]\r\ntotal=2\r\n[category]\r\n1=Zipped\r\n2=Work\r\n"));
        QVERIFY(writeFile(other.filePath(QStringLiteral("sub/n.txt")), "nested"));
        const auto archived = folderContents(other.path());
        QProcess zip;
        zip.setWorkingDirectory(other.path());
        zip.start(QStringLiteral("sh"),
                  {QStringLiteral("-c"), command, QStringLiteral("sh"), f.t.folder.file(kArchive)});
        QVERIFY(zip.waitForFinished(-1) && zip.exitCode() == 0);
        f.saveNote(QStringLiteral("later"), QStringLiteral("not in the backup"));
        f.restore({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages().last(), qMakePair(kRestored, MsgStyle::Information));
        QCOMPARE(f.t->cboChoose_Category->listCount(), 2);
        const auto restored = f.snapshot();
        for (auto it = archived.begin(); it != archived.end(); ++it) {
            QCOMPARE(restored.value(it.key()), it.value());
        }
        QCOMPARE(f.t->noteListCount(), 1);
        QVERIFY(f.strays().isEmpty());
    }

    void unsafeOrBrokenArchivesAreRefused_data() {
        QTest::addColumn<QByteArray>("archive");
        const QByteArray category = "[main]\r\ntotal=1\r\n[category]\r\n1=Replaced\r\n";
        const QByteArray outside = QFile::encodeName(QDir::temp().filePath(QStringLiteral("scribbet-outside.txt")));
        QTest::newRow("zip slip") << craftZip({{"category.dat", category}, {"../outside.txt", "x"}});
        QTest::newRow("hidden zip slip") << craftZip({{"category.dat", category}, {"sub/../../outside.txt", "x"}});
        QTest::newRow("backslashes") << craftZip({{"category.dat", category}, {"..\\outside.txt", "x"}});
        QTest::newRow("absolute path") << craftZip({{"category.dat", category}, {outside, "x"}});
        QTest::newRow("symbolic link") << craftZip({{"category.dat", category}, {"link", "/etc", 0120777}});
        QTest::newRow("not a zip") << QByteArray("PK this is not a zip archive at all").repeated(50);
        const QByteArray whole = craftZip({{"category.dat", category}, {"noise.bin", noise(64 * 1024)}});
        QTest::newRow("truncated") << whole.left(whole.size() / 2);
        QByteArray corrupt = whole;
        corrupt[whole.size() / 2] = static_cast<char>(corrupt[whole.size() / 2] ^ 0x55);
        QTest::newRow("corrupt data") << corrupt;
        // The archive is fine, but its folder would replace a file of the data folder.
        QTest::newRow("file in the way") << craftZip({{"category.dat", category}, {"data.mdb/x.txt", "x"}});
        // Sound archives whose database the program could not use: every later save would fail.
        QTest::newRow("not a database") << craftZip({{"category.dat", category}, {"data.mdb", noise(4096)}});
        QTest::newRow("not a note database")
            << craftZip({{"category.dat", category},
                         {"data.mdb", sqliteFile("CREATE TABLE data(theKey INTEGER, theDate TEXT, thePath TEXT)")}});
    }
    void unsafeOrBrokenArchivesAreRefused() {
        QFETCH(QByteArray, archive);
        QVERIFY(!archive.isEmpty());
        QFile::remove(QDir::temp().filePath(QStringLiteral("scribbet-outside.txt")));
        Fixture f;
        f.t.folder.write(kArchive, archive);
        QVERIFY(f.start());
        const auto before = f.snapshot();
        f.restore({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages(),
                 (Messages{{kRestoreQuestion, MsgStyle::OkCancelExclamation}, {kRestoreFailed, MsgStyle::Critical}}));
        QVERIFY(f.settled());
        QCOMPARE(f.snapshot(), before);
        QVERIFY(f.strays().isEmpty());
        QVERIFY(!QFileInfo::exists(QDir::temp().filePath(QStringLiteral("scribbet-outside.txt"))));
        QCOMPARE(f.t->cboChoose_Category->item(0), QStringLiteral("Work"));
    }

    void archiveUnpackingBeyondFreeSpaceIsRefused() {
        Fixture f;
        // A few kilobytes that unpack to eight megabytes.
        f.t.folder.write(kArchive, craftZip({{"category.dat", "[main]\r\ntotal=0\r\n"},
                                             {"zeros.bin", QByteArray(8 * 1024 * 1024, '\0')}}));
        QVERIFY(f.start());
        const auto before = f.snapshot();
        f.t.platform.freeBytes = 1024 * 1024;
        f.restore({MsgAnswer::Ok, MsgAnswer::Ok});
        QCOMPARE(f.messages().last(), qMakePair(kRestoreNoSpace, MsgStyle::Critical));
        QVERIFY(f.settled());
        QCOMPARE(f.snapshot(), before);
        QVERIFY(f.strays().isEmpty());
    }
};

QTEST_MAIN(BackupWindowTest)
#include "test_backup_window.moc"
