// Damaged and hostile files in the data and backup folders: the program never crashes, shows its message where it
// has one, keeps the user's input, writes nothing outside its folders and leaves what it cannot read as it was.
// (Archives that escape their folder, links, broken and truncated archives and plain zip bombs are covered with the
// backup tests; here are the rest.)
#include "FaultFigures.h"
#include "FolderSnapshot.h"
#include "TestWindow.h"

#include "categories/CategoryBox.h"
#include "storage/NoteDatabase.h"
#include "storage/NoteFile.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTreeView>

#include <sqlite3.h>
#include <zip.h>

namespace {

const QString kDatabase = QStringLiteral("\\data\\data.mdb");
const QString kCategories = QStringLiteral("\\data\\category.dat");
const QString kSettings = QStringLiteral("\\data\\settings.dat");
const QString kArchive = QStringLiteral("\\backup\\backup.dat");
const QString kNotSaved = QStringLiteral("The note could not be saved.");
// Under the sanitizer a tenth, as with the large note file.
constexpr int kManyEntries = figures::kSanitized ? 10000 : 100000;

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (char& byte : bytes) {
        byte = static_cast<char>(generator.generate() & 0xff);
    }
    return bytes;
}

// A database made by the program, with one note in category "Work".
QByteArray databaseWithANote(const QString& folder) {
    const QString path = folder + QStringLiteral("/made.mdb");
    NoteDatabase::createSchema(path);
    {
        const std::unique_ptr<NoteDatabase> db = NoteDatabase::open(path);
        NoteRecord record;
        record.theCategory = QStringLiteral("Work");
        record.theDescription = QString(3000, QLatin1Char('d'));
        record.thePath = QStringLiteral("\\data\\Abcdefghijklmnop.txt");
        for (int i = 0; db && i < 40; ++i) {
            db->add(record);
        }
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray otherSchema(const QString& folder) {
    const QString path = folder + QStringLiteral("/other.mdb");
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "CREATE TABLE data (what TEXT); INSERT INTO data VALUES ('x')", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ZipEntry {
    QByteArray name;
    QByteArray data;
};

// One stored archive with libzip; entries that share their contents share one buffer.
QByteArray makeZip(const QString& folder, const std::vector<ZipEntry>& entries) {
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/made.zip"));
    int code = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.constData(), entry.data.size(), 0);
        if (zip_file_add(archive, entry.name.constData(), source, 0) < 0) {
            zip_source_free(source);
        }
    }
    zip_close(archive);
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets the size an archive's first entry claims to unpack to, in its local header and its central directory entry.
void claimSize(QByteArray& zip, quint32 size) {
    const auto put = [&zip, size](qsizetype at) {
        for (int i = 0; i < 4; ++i) {
            zip[at + i] = static_cast<char>((size >> (8 * i)) & 0xff);
        }
    };
    put(22);
    put(zip.indexOf(QByteArray("PK\x01\x02", 4)) + 24);
}

// Another program holding an exclusive lock on the database, until it is told to let go.
class Locker {
public:
    explicit Locker(const QString& path) {
        m_process.start(QStringLiteral("sqlite3"), {path});
        m_process.write("BEGIN EXCLUSIVE;\nSELECT count(*) FROM data;\nSELECT 'locked';\n");
        while (!m_process.readAllStandardOutput().contains("locked") && m_process.waitForReadyRead(10000)) {
        }
    }
    ~Locker() {
        m_process.closeWriteChannel();
        m_process.waitForFinished();
    }
    Locker(const Locker&) = delete;
    Locker& operator=(const Locker&) = delete;
    bool locked() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
};

class Case {
public:
    Case() {
        t.folder.makeData();
        t.folder.write(kCategories, "[main]\r\ntotal=1\r\n[category]\r\n1=Work\r\n");
        trash.setAutoRemove(true);
        t.platform.trashFolder = trash.path();
    }
    ~Case() {
        const QStringList outside =
            FolderSnapshot(t.folder.path(), {QStringLiteral("data"), QStringLiteral("backup")}).changesSince(before);
        figures::add(figures::kOutsideWrites, outside.size());
        figures::add(figures::kCases, 1);
    }
    Case(const Case&) = delete;
    Case& operator=(const Case&) = delete;

    bool start() {
        before = FolderSnapshot(t.folder.path(), {QStringLiteral("data"), QStringLiteral("backup")});
        const figures::HandlerTimer timer;
        return t.start();
    }

    // Types a note and saves it; the message shown, if any.
    QString save() {
        t->setCategoryText(QStringLiteral("Work"));
        t->txtName->setText(QStringLiteral("typed"));
        t->setNoteText(QStringLiteral("typed text"));
        const std::size_t shown = t.platform.messages().size();
        {
            const figures::HandlerTimer timer;
            t->cmdSave_Click();
        }
        return t.platform.messages().size() > shown ? t.platform.messages().back().text : QString();
    }

    bool inputsKept() {
        return t->txtName->text() == QStringLiteral("typed") && t->noteText() == QStringLiteral("typed text");
    }

    TestWindow t;
    QTemporaryDir trash;
    QTemporaryDir scratch;
    FolderSnapshot before{QString(), {}};
};

} // namespace

class TestCorruptFiles : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { figures::reportLongestHandler(); }

    void damagedDatabase_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("random bytes") << QStringLiteral("random");
        QTest::newRow("truncated") << QStringLiteral("truncated");
        QTest::newRow("wrong schema") << QStringLiteral("schema");
        QTest::newRow("empty file") << QStringLiteral("empty");
    }

    // The list stays empty, a save says why it failed and keeps the note, and the damaged file is left alone
    // for a restore to replace.
    void damagedDatabase() {
        QFETCH(QString, kind);
        Case c;
        QByteArray bytes;
        if (kind == QStringLiteral("random")) {
            bytes = randomBytes(64 * 1024, 1);
        } else if (kind == QStringLiteral("truncated")) {
            bytes = databaseWithANote(c.scratch.path());
            bytes.truncate(bytes.size() / 2);
        } else if (kind == QStringLiteral("schema")) {
            bytes = otherSchema(c.scratch.path());
        }
        c.t.folder.write(kDatabase, bytes);
        QVERIFY(c.start());
        QCOMPARE(c.t->noteListCount(), 0);
        const QString message = c.save();
        QVERIFY2(message.startsWith(kNotSaved), qPrintable(message));
        QVERIFY(message.size() > kNotSaved.size() + 1); // with the reason
        QVERIFY(c.inputsKept());
        QCOMPARE(c.t.folder.read(kDatabase), bytes);
    }

    // While another program holds the database, a save waits for it, then says so and keeps the note; once the
    // lock is gone the same save goes through.
    void lockedDatabase() {
        Case c;
        QVERIFY(c.start());
        {
            const Locker locker(c.t.folder.file(kDatabase));
            QVERIFY(locker.locked());
            const QString message = c.save();
            QVERIFY2(message.startsWith(kNotSaved) && message.contains(QStringLiteral("locked")), qPrintable(message));
            QVERIFY(c.inputsKept());
        }
        QCOMPARE(c.save(), QString());
        QCOMPARE(c.t->noteListCount(), 1);
    }

    void garbageKeyFiles_data() {
        QTest::addColumn<QByteArray>("categories");
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("random bytes") << randomBytes(8192, 2) << randomBytes(8192, 3);
        QTest::newRow("character 0 everywhere") << QByteArray("[main]\0\r\ntotal=\0"
                                                              "2\r\n[category]\r\n1=a\0b\r\n2=\0\r\n",
                                                              41)
                                                << QByteArray("[settings]\r\npopup=\0"
                                                              "1\r\n",
                                                              21);
        QTest::newRow("huge counts") << QByteArray(
                                            "[main]\r\ntotal=99999999999999999999999\r\n[category]\r\n1=Work\r\n")
                                     << QByteArray("[settings]\r\npopup=1e999\r\nstayontop=-0\r\nappend=NaN\r\n");
        QTest::newRow("negative count") << QByteArray("[main]\r\ntotal=-3\r\n[category]\r\n1=Work\r\n")
                                        << QByteArray("[settings\r\npopup\r\n=1\r\n");
        QTest::newRow("count without names")
            << QByteArray("[main]\r\ntotal=32767\r\n") << QByteArray("\xef\xbb\xbf[settings]\r\npopup=0\r\n");
        QByteArray lines;
        for (int i = 0; i < 200000; ++i) {
            lines += "[category]\r\n" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
        }
        QTest::newRow("many sections") << "[main]\r\ntotal=200000\r\n" + lines << lines;
    }

    // Start-up lists what it can read and does not write the category file.
    void garbageKeyFiles() {
        QFETCH(QByteArray, categories);
        QFETCH(QByteArray, settings);
        Case c;
        c.t.folder.write(kCategories, categories);
        c.t.folder.write(kSettings, settings);
        QVERIFY(c.start());
        QCOMPARE(c.t.folder.read(kCategories), categories);
        QVERIFY(c.t->cboChoose_Category->listCount() <= 200000);
        // The program goes on working: a note can still be saved.
        QCOMPARE(c.save(), QString());
    }

    void oddNoteFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length"); // of the text shown, -1 to skip the check
        QTest::newRow("not UTF-8") << QByteArray("caf\xe9 cr\xe8me \xff\xfe\r\n") << 13;
        QTest::newRow("NUL bytes") << QByteArray("a\0b\0\0c\r\n", 8) << 6;
        QTest::newRow("no line end at all") << QByteArray("plain") << 5;
        const qsizetype megabytes = figures::kSanitized ? 10 : 100;
        QByteArray large;
        const QByteArray line = QByteArray(78, 'x') + "\r\n";
        large.reserve(megabytes * 1024 * 1024);
        while (large.size() < megabytes * 1024 * 1024) {
            large += line;
        }
        QTest::newRow(qPrintable(QStringLiteral("%1 MB").arg(megabytes)))
            << large << static_cast<int>(large.size() / 80 * 79 - 1);
    }

    // Viewing a listed note whose file is odd shows what can be shown, without a crash or a message.
    void oddNoteFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        Case c;
        QVERIFY(c.start());
        QCOMPARE(c.save(), QString());
        const std::unique_ptr<NoteDatabase> db = NoteDatabase::open(c.t.folder.file(kDatabase));
        QVERIFY(db);
        QString path;
        QVERIFY(db->forEach([&path](const NoteRecord& record) { path = record.thePath; }));
        c.t.folder.write(path, bytes);
        c.t->cmdOpenDatabase_Click();
        c.t->lvwNoteDatabase->setCurrentIndex(c.t->lvwNoteDatabase->model()->index(0, 1));
        {
            const figures::HandlerTimer timer;
            c.t->lvwNoteDatabase_Click();
        }
        // A large note is laid out away from the window, which takes it once that is done.
        QTRY_COMPARE_WITH_TIMEOUT(c.t->noteText().size(), length, 120'000);
        QCOMPARE(c.t.platform.messages().size(), std::size_t{0});
        QCOMPARE(c.t->txtName->text(), QStringLiteral("typed"));
        QCOMPARE(c.t->cmdBack->text(), QStringLiteral("View Note"));
    }

    void hostileArchives_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("bomb that lies about its size") << QStringLiteral("lying bomb");
        QTest::newRow(figures::kSanitized ? "10,000 entries" : "100,000 entries") << QStringLiteral("many entries");
    }

    // A bomb is refused before it fills the disk; an archive of very many small files is restored whole.
    void hostileArchives() {
        QFETCH(QString, kind);
        Case c;
        const QByteArray categories = "[main]\r\ntotal=1\r\n[category]\r\n1=Restored\r\n";
        if (kind == QStringLiteral("lying bomb")) {
            QByteArray zip = makeZip(c.scratch.path(), {{"data.mdb", QByteArray(256 * 1024 * 1024, '\0')}});
            claimSize(zip, 4096);
            c.t.folder.write(kArchive, zip);
        } else {
            std::vector<ZipEntry> entries{{"category.dat", categories}};
            for (int i = 0; i < kManyEntries; ++i) {
                entries.push_back({"notes/" + QByteArray::number(i) + ".txt", "n\r\n"});
            }
            c.t.folder.write(kArchive, makeZip(c.scratch.path(), entries));
        }
        QVERIFY(c.start());
        const QByteArray database = c.t.folder.read(kDatabase);
        c.t.platform.freeBytes = 64 * 1024 * 1024;
        c.t.platform.answer(MsgAnswer::Ok);
        c.t.platform.answer(MsgAnswer::Ok);
        {
            const figures::HandlerTimer timer;
            c.t->mnuRestore_Click();
        }
        const QString shown = c.t.platform.messages().back().text;
        if (kind == QStringLiteral("lying bomb")) {
            QCOMPARE(shown, QStringLiteral("The database could not be restored from the backup file."));
            QCOMPARE(c.t.folder.read(kDatabase), database);
        } else {
            QCOMPARE(shown, QStringLiteral("The database was restored successfully."));
            QCOMPARE(c.t->cboChoose_Category->item(0), QStringLiteral("Restored"));
            QCOMPARE(QDir(c.t.folder.file(QStringLiteral("\\data\\notes"))).count(), kManyEntries + 2);
        }
    }
};

QTEST_MAIN(TestCorruptFiles)
#include "test_corrupt_files.moc"
