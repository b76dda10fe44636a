// Every path that writes, on a full disk, on a read-only disk, and against an obstacle in the way: where the program
// has a message it shows one, the inputs stay in the window, nothing saved earlier is lost, and once the fault is
// gone the same action succeeds. The disk is a small file system of the test's own where the machine allows it.
#include "FaultFigures.h"
#include "FolderSnapshot.h"
#include "SmallDisk.h"
#include "TestWindow.h"

#include "categories/CategoryBox.h"
#include "storage/KeyFile.h"
#include "storage/NoteDatabase.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>

namespace {

constexpr std::int64_t kDiskSize = 8 * 1024 * 1024;

const QString kSave = QStringLiteral("save");
const QString kAddCategory = QStringLiteral("add category");
const QString kRemoveCategory = QStringLiteral("remove category");
const QString kPreference = QStringLiteral("preference");
const QString kDelete = QStringLiteral("delete");
const QString kBackup = QStringLiteral("backup");
const QString kRestore = QStringLiteral("restore");

const QString kFull = QStringLiteral("full disk");
const QString kReadOnly = QStringLiteral("read-only disk");
const QString kObstacle = QStringLiteral("obstacle");

// The messages each path may answer a failure with.
const QMap<QString, QStringList> kFailureMessages = {
    {kSave, {QStringLiteral("The note could not be saved.")}},
    {kDelete, {QStringLiteral("The note could not be deleted.")}},
    {kBackup,
     {QStringLiteral("There is not enough available drive space on the drive to backup the database."),
      QStringLiteral("An unknown error occurred while backing up the database")}},
    {kRestore,
     {QStringLiteral("There is not enough available drive space to restore the database."),
      QStringLiteral("The database could not be restored from the backup file.")}},
};

// Everything the user had saved: the records with their note files, the key files and the archive.
QMap<QString, QByteArray> savedState(const TestFolder& folder) {
    QMap<QString, QByteArray> state;
    const std::unique_ptr<NoteDatabase> db = NoteDatabase::open(folder.file(QStringLiteral("\\data\\data.mdb")));
    if (db) {
        db->forEach([&](const NoteRecord& record) {
            state.insert(QStringLiteral("record ") + record.theDescription + QLatin1Char(' ') + record.thePath,
                         folder.read(record.thePath));
        });
    }
    for (const char* file : {"\\data\\category.dat", "\\data\\settings.dat", "\\backup\\backup.dat"}) {
        state.insert(QString::fromLatin1(file), folder.read(QString::fromLatin1(file)));
    }
    return state;
}

class Scenario {
public:
    explicit Scenario(bool smallDisk) {
        if (smallDisk) {
            disk = std::make_unique<SmallDisk>(t.folder.path(), kDiskSize);
        }
        t.folder.makeData();
        t.folder.write(QStringLiteral("\\data\\category.dat"),
                       "[main]\r\ntotal=3\r\n[category]\r\n1=Alpha\r\n2=Beta\r\n3=Empty\r\n");
        QDir().mkpath(trash());
        t.platform.trashFolder = trash();
    }

    QString trash() const { return t.folder.path() + QStringLiteral("/trash"); }

    // Two notes and a backup of them, made before any fault.
    bool prepare() {
        if (!t.start()) {
            return false;
        }
        for (const QString& title : {QStringLiteral("first"), QStringLiteral("second")}) {
            choose(QStringLiteral("Alpha"));
            t->txtName->setText(title);
            t->setNoteText(title + QStringLiteral(" note\nwith two lines"));
            t->cmdSave_Click();
        }
        t->mnuBackup_Click();
        t.platform.clearMessages();
        return t.platform.unexpectedMessages() == 1; // the backup's success message
    }

    void choose(const QString& category) {
        for (int i = 0; i < t->cboChoose_Category->listCount(); ++i) {
            if (t->cboChoose_Category->item(i) == category) {
                t->selectCategory(i);
            }
        }
    }

    TestWindow t;
    std::unique_ptr<SmallDisk> disk;
};

// The inputs a path leaves in the window, to be found unchanged after a failure.
QStringList inputs(FrmMain& w) {
    return {w.cboChoose_Category->text(), w.txtName->text(), w.noteText()};
}

} // namespace

class TestWriteFailures : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { figures::reportLongestHandler(); }

    void failedWriteKeepsEverything_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fault");
        for (const QString& path : {kSave, kAddCategory, kRemoveCategory, kPreference, kDelete, kBackup, kRestore}) {
            for (const QString& fault : {kFull, kReadOnly, kObstacle}) {
                QTest::newRow(qPrintable(path + QStringLiteral(", ") + fault)) << path << fault;
            }
        }
    }

    void failedWriteKeepsEverything() {
        QFETCH(QString, path);
        QFETCH(QString, fault);
        Scenario s(fault != kObstacle);
        if (s.disk && !s.disk->mounted()) {
            QSKIP(qPrintable(QStringLiteral("no small file system here: ") + s.disk->why()));
        }
        QVERIFY(s.prepare());
        FrmMain& w = s.t.w();
        FakePlatform& platform = s.t.platform;
        const QMap<QString, QByteArray> before = savedState(s.t.folder);
        const FolderSnapshot outsideBefore(s.t.folder.path(), {QStringLiteral("data"), QStringLiteral("backup"),
                                                               QStringLiteral("trash"), QStringLiteral(".filler")});

        // The user's side of each path, up to the action itself.
        const bool wasChecked = w.chkPopUp->isChecked();
        const auto act = [&] {
            const figures::HandlerTimer timer;
            if (path == kSave) {
                w.txtName->setText(QStringLiteral("third"));
                w.setNoteText(QStringLiteral("typed while the disk was failing"));
                w.cmdSave_Click();
            } else if (path == kAddCategory) {
                w.setCategoryText(QStringLiteral("Gamma"));
                w.cmdAdd_category_Click();
            } else if (path == kRemoveCategory) {
                s.choose(QStringLiteral("Empty"));
                platform.answer(MsgAnswer::Ok);
                w.cmdRemove_Category_Click();
            } else if (path == kPreference) {
                w.chkPopUp->setChecked(!w.chkPopUp->isChecked());
            } else if (path == kDelete) {
                s.choose(QStringLiteral("Alpha"));
                w.cmdOpenDatabase_Click();
                w.lvwNoteDatabase->setCurrentIndex(w.lvwNoteDatabase->model()->index(0, 1));
                w.lvwNoteDatabase_Click();
                platform.answer(MsgAnswer::Ok);
                w.cmdDeleteNote_Click();
            } else if (path == kBackup) {
                platform.answer(MsgAnswer::Ok); // replace the existing archive
                w.mnuBackup_Click();
            } else if (path == kRestore) {
                platform.answer(MsgAnswer::Ok);
                w.mnuRestore_Click();
            }
        };

        // The fault.
        QStringList obstacles;
        if (fault == kFull) {
            QVERIFY(s.disk->fill());
        } else if (fault == kReadOnly) {
            QVERIFY(s.disk->setReadOnly(true));
        } else {
            // In the way of the database's journal, the key files' temporary files, the trash and the space check:
            // folders where files must go, which fail even for root.
            obstacles = {QStringLiteral("\\data\\data.mdb-journal"), QStringLiteral("\\data\\category.dat.saving"),
                         QStringLiteral("\\data\\settings.dat.saving")};
            for (const QString& obstacle : obstacles) {
                QVERIFY(QDir().mkpath(s.t.folder.file(obstacle)));
            }
            platform.trash.fail = true;
        }
        if (s.disk) {
            platform.freeBytes = QStorageInfo(s.t.folder.path()).bytesAvailable();
        } else {
            platform.freeBytes = 0;
        }
        act();
        const QStringList kept = inputs(w);
        const std::vector<FakePlatform::Message> shown = platform.messages();

        // The fault goes away.
        if (fault == kFull) {
            s.disk->empty();
        } else if (fault == kReadOnly) {
            QVERIFY(s.disk->setReadOnly(false));
        } else {
            for (const QString& obstacle : obstacles) {
                QVERIFY(QDir(s.t.folder.file(obstacle)).removeRecursively());
            }
            platform.trash.fail = false;
        }
        platform.freeBytes = std::int64_t{1} << 40;
        figures::add(figures::kCases, 1);
        const QStringList outside =
            FolderSnapshot(s.t.folder.path(), {QStringLiteral("data"), QStringLiteral("backup"),
                                               QStringLiteral("trash"), QStringLiteral(".filler")})
                .changesSince(outsideBefore);
        figures::add(figures::kOutsideWrites, outside.size());
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QLatin1Char(' '))));

        // What the user saw: a question first where the path asks one, then the failure where it has a message.
        const std::size_t questions = path == kRemoveCategory || path == kDelete || path == kBackup || path == kRestore;
        if (kFailureMessages.contains(path)) {
            QVERIFY2(shown.size() == questions + 1, qPrintable(QStringLiteral("%1 messages").arg(shown.size())));
            const QString text = shown.back().text.section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(kFailureMessages[path].contains(text), qPrintable(shown.back().text));
            QCOMPARE(shown.back().style, MsgStyle::Critical);
        } else {
            // These paths report no failures: the category box and the check box keep what the user did.
            QCOMPARE(shown.size(), questions);
        }
        if (path == kSave) {
            QCOMPARE(kept, (QStringList{QStringLiteral("Alpha"), QStringLiteral("third"),
                                        QStringLiteral("typed while the disk was failing")}));
        } else if (path == kAddCategory) {
            QCOMPARE(kept.front(), QStringLiteral("Gamma"));
            // No refill ran to swallow it: the next choice in the box lists that category's notes.
            s.choose(QStringLiteral("Empty"));
            QCOMPARE(w.noteListCount(), 0);
            QVERIFY(w.cmdRemove_Category->isEnabled());
        } else if (path == kPreference) {
            QCOMPARE(w.chkPopUp->isChecked(), !wasChecked);
        }
        // Nothing saved earlier is lost; the failed action changed nothing.
        const QMap<QString, QByteArray> after = savedState(s.t.folder);
        int notesLost = 0;
        for (const QString& key : before.keys()) {
            notesLost += key.startsWith(QStringLiteral("record ")) && after.value(key) != before[key] ? 1 : 0;
        }
        figures::add(figures::kNotesLost, notesLost);
        QCOMPARE(after.keys(), before.keys());
        for (const QString& key : before.keys()) {
            QVERIFY2(after[key] == before[key], qPrintable(key));
        }

        // With the fault gone the same action goes through.
        platform.clearMessages();
        act();
        const QMap<QString, QByteArray> done = savedState(s.t.folder);
        const QString lastMessage = platform.messages().empty() ? QString() : platform.messages().back().text;
        const QString category = s.t.folder.file(QStringLiteral("\\data\\category.dat"));
        const QString section = QStringLiteral("category");
        if (path == kSave) {
            QCOMPARE(done.size(), before.size() + 1);
        } else if (path == kAddCategory) {
            QVERIFY(keyfile::readValue(category, section, QStringLiteral("4")) == QStringLiteral("Gamma"));
        } else if (path == kRemoveCategory) {
            QCOMPARE(keyfile::readValue(category, QStringLiteral("main"), QStringLiteral("total")),
                     std::optional<QString>(QStringLiteral("2")));
        } else if (path == kPreference) {
            QCOMPARE(keyfile::readValue(s.t.folder.file(QStringLiteral("\\data\\settings.dat")),
                                        QStringLiteral("settings"), QStringLiteral("popup")),
                     std::optional<QString>(w.chkPopUp->isChecked() ? QStringLiteral("1") : QStringLiteral("0")));
        } else if (path == kDelete) {
            QCOMPARE(done.size(), before.size() - 1);
        } else if (path == kBackup) {
            QCOMPARE(lastMessage, QStringLiteral("The database was backed up successfully."));
        } else if (path == kRestore) {
            QCOMPARE(lastMessage, QStringLiteral("The database was restored successfully."));
        }
    }
};

QTEST_MAIN(TestWriteFailures)
#include "test_write_failures.moc"
