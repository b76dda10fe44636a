// The note database, note files, note keys and the pristine data files.
#include "StorageTests.h"

#include "FakePlatform.h"

#include "storage/NoteDatabase.h"
#include "storage/NoteFile.h"
#include "storage/Pristine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <random>
#include <vector>

#include <unistd.h>

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Runs SQL on the file through a connection of its own, as another program would.
bool runSql(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// The first value that SQL gives, as text, read through a connection of its own.
QByteArray sqlText(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    QByteArray text;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
        text = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return text;
}

// The schema of databases that earlier versions of the program made.
constexpr const char* kEarlierSchema =
    "CREATE TABLE data (theDate TEXT, theTime TEXT, theCategory TEXT, theDescription TEXT, thePath TEXT, "
    "theKey INTEGER PRIMARY KEY AUTOINCREMENT);"
    "CREATE UNIQUE INDEX \"theKey\" ON data (theKey);"
    "CREATE INDEX \"theCategory\" ON data (theCategory, theKey);";

NoteRecord note(const char* category, const char* description, const char* key) {
    NoteRecord record;
    record.theDate = QStringLiteral("12/08/26");
    record.theTime = QStringLiteral("2:05:09 PM");
    record.theCategory = QString::fromUtf8(category);
    record.theDescription = QString::fromUtf8(description);
    record.thePath = QStringLiteral("\\data\\%1.txt").arg(QLatin1String(key));
    return record;
}

std::vector<NoteRecord> visitAll(NoteDatabase& db, const QString* category) {
    std::vector<NoteRecord> records;
    if (category == nullptr) {
        return db.forEach([&](const NoteRecord& record) { records.push_back(record); }) ? records
                                                                                        : std::vector<NoteRecord>{};
    }
    const bool ok = db.listCategory(*category, [&](const ListedNote& listed) {
        NoteRecord record;
        record.theDate = listed.theDate.toString();
        record.theTime = listed.theTime.toString();
        record.theCategory = *category;
        record.theDescription = listed.theDescription.toString();
        record.thePath = listed.thePath.toString();
        record.theKey = listed.theKey;
        records.push_back(record);
    });
    return ok ? records : std::vector<NoteRecord>{};
}

QStringList descriptions(const std::vector<NoteRecord>& records) {
    QStringList list;
    for (const NoteRecord& record : records) {
        list << record.theDescription;
    }
    return list;
}

} // namespace

class TestNoteStorage : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_next = 0;

    // A fresh empty database, as the pristine copy holds it.
    QString freshDatabase() {
        const QString path = m_dir.filePath(QStringLiteral("data%1.mdb").arg(++m_next));
        QString error;
        if (!NoteDatabase::createSchema(path, &error)) {
            qWarning("createSchema: %s", qPrintable(error));
        }
        return path;
    }

private slots:
    void pristineFiles() {
        QTemporaryDir folder;
        QString error;
        QVERIFY2(writePristineFiles(folder.path(), &error), qPrintable(error));
        QCOMPARE(readBytes(folder.filePath(QStringLiteral("category.dat"))), QByteArray("[main]\r\ntotal=0\r\n"));
        QCOMPARE(readBytes(folder.filePath(QStringLiteral("settings.dat"))),
                 QByteArray("[settings]\r\npopup=1\r\nstayontop=0\r\nappend=0\r\n"));
        const auto db = NoteDatabase::open(folder.filePath(QStringLiteral("data.mdb")), &error);
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(db->recordCount(), std::optional<std::int64_t>(0));
        // Never over an existing database.
        QVERIFY(!NoteDatabase::createSchema(folder.filePath(QStringLiteral("data.mdb")), &error));
        QVERIFY(!error.isEmpty());
    }

    void recordsAreListedInTheOrderTheyWereAdded() {
        const QString path = freshDatabase();
        QString error;
        auto db = NoteDatabase::open(path, &error);
        QVERIFY2(db, qPrintable(error));
        const auto k1 = db->add(note("Work", " first ", "aaaaaaaaaaaaaaaa"));
        const auto k2 = db->add(note("work", "second", "bbbbbbbbbbbbbbbb"));
        const auto k3 = db->add(note("Work", "third", "cccccccccccccccc"));
        const auto k4 = db->add(note("Work ", "fourth", "dddddddddddddddd"));
        QVERIFY(k1 && k2 && k3 && k4);
        // Saved within the same second: the same date and time, different keys.
        QVERIFY(*k1 < *k2 && *k2 < *k3 && *k3 < *k4);
        QCOMPARE(db->recordCount(), std::optional<std::int64_t>(4));

        QCOMPARE(descriptions(visitAll(*db, nullptr)), (QStringList{" first ", "second", "third", "fourth"}));
        const QString work = QStringLiteral("Work");
        const std::vector<NoteRecord> inWork = visitAll(*db, &work);
        QCOMPARE(descriptions(inWork), (QStringList{" first ", "third"}));
        QCOMPARE(inWork[0].theKey, *k1);
        QCOMPARE(inWork[0].thePath, QStringLiteral("\\data\\aaaaaaaaaaaaaaaa.txt"));
        QCOMPARE(inWork[0].theTime, QStringLiteral("2:05:09 PM"));

        const auto found = db->findByKey(*k3, &error);
        QVERIFY(found);
        QCOMPARE(found->theDescription, QStringLiteral("third"));
        QVERIFY(!db->findByKey(*k4 + 100, &error));
        QVERIFY(error.isEmpty());
    }

    void deletedKeysAreNeverGivenAgain() {
        const QString path = freshDatabase();
        auto db = NoteDatabase::open(path);
        QVERIFY(db);
        const auto first = db->add(note("a", "1", "k"));
        const auto last = db->add(note("a", "2", "k"));
        QVERIFY(first && last);
        QCOMPARE(db->deleteByKey(*last), NoteDatabase::DeleteResult::Deleted);
        QCOMPARE(db->deleteByKey(*last), NoteDatabase::DeleteResult::NotFound);
        db.reset();
        db = NoteDatabase::open(path);
        QVERIFY(db);
        const auto again = db->add(note("a", "3", "k"));
        QVERIFY(again && *again > *last);
        QCOMPARE(db->recordCount(), std::optional<std::int64_t>(2));
    }

    void transactionRollsBackOrCommits() {
        const QString path = freshDatabase();
        auto db = NoteDatabase::open(path);
        QVERIFY(db);
        QVERIFY(db->begin());
        QVERIFY(db->add(note("a", "dropped", "k")));
        db->rollback();
        QCOMPARE(db->recordCount(), std::optional<std::int64_t>(0));
        QVERIFY(db->begin());
        QVERIFY(db->add(note("a", "kept", "k")));
        QVERIFY(db->commit());
        db.reset();
        QCOMPARE(NoteDatabase::open(path)->recordCount(), std::optional<std::int64_t>(1));
    }

    void countsBeyond16Bits() {
        const QString path = freshDatabase();
        auto db = NoteDatabase::open(path);
        QVERIFY(db);
        QVERIFY(db->begin());
        for (int i = 0; i < 40000; ++i) {
            QVERIFY(db->add(note(i % 2 == 0 ? "even" : "odd", "n", "k")));
        }
        QVERIFY(db->commit());
        QCOMPARE(db->recordCount(), std::optional<std::int64_t>(40000));
        const QString even = QStringLiteral("even");
        QCOMPARE(visitAll(*db, &even).size(), std::size_t{20000});
    }

    void fileHoldsTheWholeDatabaseWithTableAndIndexes() {
        const QString path = freshDatabase();
        {
            auto db = NoteDatabase::open(path);
            QVERIFY(db);
            QVERIFY(db->add(note("Work", "one", "k")));
            QVERIFY(db->add(note("Home", "two", "k")));
        }
        // Rollback journal: nothing lies beside the file once the work is done.
        for (const char* suffix : {"-journal", "-wal", "-shm"}) {
            QVERIFY(!QFile::exists(path + QLatin1String(suffix)));
        }
        const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (sqlite.isEmpty()) {
            QSKIP("the sqlite3 command is not installed");
        }
        QProcess process;
        process.start(sqlite, {path, QStringLiteral(".schema")});
        QVERIFY(process.waitForFinished());
        const QString schema = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(schema.contains(QLatin1String("CREATE TABLE data (theDate TEXT, theTime TEXT, theCategory TEXT, "
                                               "theDescription TEXT, thePath TEXT, theKey INTEGER PRIMARY KEY "
                                               "AUTOINCREMENT)")),
                 qPrintable(schema));
        QVERIFY(schema.contains(QLatin1String("CREATE UNIQUE INDEX \"theKey\" ON data (theKey)")));
        QVERIFY(schema.contains(QLatin1String("CREATE INDEX \"theCategory\" ON data (theCategory, theKey, "
                                              "theDescription, theDate, theTime, thePath)")));
        process.start(sqlite, {path, QStringLiteral("PRAGMA journal_mode; SELECT theDescription FROM data;")});
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.readAllStandardOutput(), QByteArray("delete\none\ntwo\n"));
    }

    void earlierSchemaIsBroughtUpToDate() {
        const QString path = m_dir.filePath(QStringLiteral("earlier%1.mdb").arg(++m_next));
        QVERIFY(runSql(path, kEarlierSchema));
        QVERIFY(runSql(path, "INSERT INTO data (theCategory, theDescription) VALUES ('Work', 'a'), ('Home', 'b'), "
                             "('Work', 'c')"));
        {
            auto db = NoteDatabase::open(path);
            QVERIFY(db);
            QCOMPARE(db->recordCount(), std::optional<std::int64_t>(3));
            const QString work = QStringLiteral("Work");
            QCOMPARE(descriptions(visitAll(*db, &work)), (QStringList{"a", "c"}));
        }
        QCOMPARE(sqlText(path, "PRAGMA user_version"), QByteArray("1"));
        QCOMPARE(sqlText(path, "SELECT records FROM dataCount"), QByteArray("3"));
        QVERIFY(sqlText(path, "SELECT sql FROM sqlite_master WHERE name = 'theCategory'").contains("thePath"));

        // The kept count follows every change, also those made by other programs.
        auto db = NoteDatabase::open(path);
        QVERIFY(db);
        const auto added = db->add(note("Work", "d", "k"));
        QVERIFY(added);
        QCOMPARE(db->recordCount(), std::optional<std::int64_t>(4));
        QCOMPARE(db->deleteByKey(*added), NoteDatabase::DeleteResult::Deleted);
        QVERIFY(runSql(path, "INSERT INTO data (theCategory) VALUES ('x'), ('y')"));
        QVERIFY(runSql(path, "DELETE FROM data WHERE theCategory = 'Home'"));
        QCOMPARE(db->recordCount(), std::optional<std::int64_t>(4));
        QVERIFY(runSql(path, "DELETE FROM data"));
        QCOMPARE(db->recordCount(), std::optional<std::int64_t>(0));
    }

    void earlierSchemaThatIsLockedIsUsedAsItIs() {
        const QString path = m_dir.filePath(QStringLiteral("earlier%1.mdb").arg(++m_next));
        QVERIFY(runSql(path, kEarlierSchema));
        QVERIFY(runSql(path, "INSERT INTO data (theCategory, theDescription) VALUES ('Work', 'a')"));
        // Another program holds a write lock: reading goes on at once, on the earlier schema.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        {
            auto db = NoteDatabase::open(path);
            QVERIFY(db);
            QCOMPARE(db->recordCount(), std::optional<std::int64_t>(1));
            const QString work = QStringLiteral("Work");
            QCOMPARE(descriptions(visitAll(*db, &work)), QStringList{"a"});
        }
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(sqlText(path, "PRAGMA user_version"), QByteArray("0"));
        QVERIFY(NoteDatabase::open(path));
        QCOMPARE(sqlText(path, "SELECT records FROM dataCount"), QByteArray("1"));
    }

    void databaseLeftInWalModeIsTurnedBack() {
        const QString path = freshDatabase();
        QVERIFY(runSql(path, "PRAGMA journal_mode=WAL"));
        {
            auto db = NoteDatabase::open(path);
            QVERIFY(db);
            QVERIFY(db->add(note("a", "b", "c")));
        }
        QVERIFY(!QFile::exists(path + QLatin1String("-wal")));
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(raw, "PRAGMA journal_mode", -1, &statement, nullptr);
        QCOMPARE(sqlite3_step(statement), SQLITE_ROW);
        const QByteArray mode(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        sqlite3_close(raw);
        QCOMPARE(mode, QByteArray("delete"));
    }

    void badDatabaseFilesFailToOpenAndStayAsTheyWere_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QByteArray>("sql");
        QTest::newRow("empty file") << QByteArray() << QByteArray();
        QTest::newRow("random bytes") << QByteArray("\x13\x37 this is no database at all\xff\xfe", 31) << QByteArray();
        QTest::newRow("text") << QByteArray(4096, 'x') << QByteArray();
        QTest::newRow("no table data") << QByteArray() << QByteArray("CREATE TABLE other (x)");
        QTest::newRow("table lacks a field")
            << QByteArray() << QByteArray("CREATE TABLE data (theDate TEXT, theTime TEXT, theCategory TEXT)");
    }
    void badDatabaseFilesFailToOpenAndStayAsTheyWere() {
        QFETCH(QByteArray, contents);
        QFETCH(QByteArray, sql);
        const QString path = m_dir.filePath(QStringLiteral("bad%1.mdb").arg(++m_next));
        writeBytes(path, contents);
        if (!sql.isEmpty()) {
            QVERIFY(runSql(path, sql.constData()));
        }
        const QByteArray before = readBytes(path);
        QString error;
        QVERIFY(!NoteDatabase::open(path, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readBytes(path), before);
        QCOMPARE(QDir(m_dir.path()).entryList({QFileInfo(path).fileName() + QLatin1Char('*')}).size(), 1);
    }

    void missingDatabaseIsNotCreated() {
        const QString path = m_dir.filePath(QStringLiteral("absent.mdb"));
        QString error;
        QVERIFY(!NoteDatabase::open(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    void everyOperationReportsATableThatWentAway() {
        const QString path = freshDatabase();
        auto db = NoteDatabase::open(path);
        QVERIFY(db);
        // The count is kept in a table of its own, which a program that drops the table may leave behind.
        QVERIFY(runSql(path, "DROP TABLE data; DROP TABLE dataCount"));
        const auto failed = [](const QString& error) { return !error.isEmpty(); };
        QString error;
        QVERIFY(!db->recordCount(&error));
        QVERIFY(failed(error));
        error.clear();
        QVERIFY(!db->forEach([](const NoteRecord&) {}, &error));
        QVERIFY(failed(error));
        error.clear();
        QVERIFY(!db->listCategory(
            QStringLiteral("a"), [](const ListedNote&) {}, &error));
        QVERIFY(failed(error));
        error.clear();
        QVERIFY(!db->add(note("a", "b", "c"), &error));
        QVERIFY(failed(error));
        error.clear();
        QVERIFY(!db->findByKey(1, &error));
        QVERIFY(failed(error));
        error.clear();
        QCOMPARE(db->deleteByKey(1, &error), NoteDatabase::DeleteResult::Failed);
        QVERIFY(failed(error));
    }

    void randomKeyFromGivenDraws() {
        // Top bit clear: upper case; the rest chooses the letter, and draws from the short last round are redrawn.
        std::vector<std::uint32_t> draws = {0x00000000, 0x00000000, 0x80000000, 25, 0x12345678, 0xFFFFFFFF, 27};
        std::size_t next = 0;
        const auto random = [&] { return draws.at(next++); };
        QCOMPARE(MakeRandomKey(random, 1, 3), QStringLiteral("AzB"));
        QCOMPARE(next, draws.size());
        QCOMPARE(MakeRandomKey(random, 2, 16), QString());
        QCOMPARE(MakeRandomKey(random, 1, 0), QString());
    }

    void randomKeysAreLettersAndDoNotRepeat() {
        FakePlatform platform;
        const auto random = [&] { return platform.random(); };
        QSet<QString> keys;
        QSet<QChar> letters;
        for (int i = 0; i < 2000; ++i) {
            const QString key = MakeRandomKey(random, 1, 16);
            QCOMPARE(key.size(), 16);
            for (const QChar c : key) {
                QVERIFY((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                        (c >= QLatin1Char('a') && c <= QLatin1Char('z')));
                letters.insert(c);
            }
            keys.insert(key);
        }
        QCOMPARE(keys.size(), 2000);
        QCOMPARE(letters.size(), 52);
    }

    void noteTextRoundTrips_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray("\r\n");
        QTest::newRow("one line") << QStringLiteral("abc") << QByteArray("abc\r\n");
        QTest::newRow("two lines") << QStringLiteral("a\nb") << QByteArray("a\r\nb\r\n");
        QTest::newRow("ends in a line end") << QStringLiteral("a\n") << QByteArray("a\r\n\r\n");
        QTest::newRow("empty lines") << QStringLiteral("\n\nx\n\n") << QByteArray("\r\n\r\nx\r\n\r\n\r\n");
        QTest::newRow("lone CR kept") << QStringLiteral("a\rb") << QByteArray("a\rb\r\n");
        QTest::newRow("UTF-8") << QStringLiteral("Grüße ✓")
                               << QByteArray("Gr\xc3\xbc\xc3\x9f"
                                             "e \xe2\x9c\x93\r\n");
    }
    void noteTextRoundTrips() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("note%1.txt").arg(++m_next));
        const NoteWriteResult written = writeNoteFile(path, text);
        QVERIFY2(written.ok, qPrintable(written.error));
        QCOMPARE(readBytes(path), bytes);
        const NoteReadResult read = readNoteFile(path);
        QVERIFY(read.ok);
        QCOMPARE(read.text, text);
    }

    void noteFileIsNeverWrittenOverOrAppendedTo() {
        const QString path = m_dir.filePath(QStringLiteral("taken.txt"));
        writeBytes(path, "another note\r\n");
        const NoteWriteResult result = writeNoteFile(path, QStringLiteral("mine"));
        QVERIFY(!result.ok);
        QVERIFY(result.alreadyExists);
        QCOMPARE(readBytes(path), QByteArray("another note\r\n"));

        const QString noFolder = m_dir.filePath(QStringLiteral("gone/x.txt"));
        const NoteWriteResult failed = writeNoteFile(noFolder, QStringLiteral("mine"));
        QVERIFY(!failed.ok);
        QVERIFY(!failed.alreadyExists);
        QVERIFY(!failed.error.isEmpty());
        QVERIFY(!QFile::exists(noFolder));
    }

    void noteFilesWrittenElsewhereAreRead_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("LF line ends") << QByteArray("a\nb\n") << QStringLiteral("a\nb");
        QTest::newRow("no final line end") << QByteArray("abc") << QStringLiteral("abc");
        QTest::newRow("only LF") << QByteArray("\n") << QString();
        QTest::newRow("not UTF-8") << QByteArray("\xff\xfe\x80x\r\n") << QStringLiteral("\uFFFD\uFFFD\uFFFDx");
    }
    void noteFilesWrittenElsewhereAreRead() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString path = m_dir.filePath(QStringLiteral("foreign%1.txt").arg(++m_next));
        writeBytes(path, bytes);
        const NoteReadResult read = readNoteFile(path);
        QVERIFY(read.ok);
        QCOMPARE(read.text, text);
    }

    void noteReadErrors() {
        const QString empty = m_dir.filePath(QStringLiteral("empty.txt"));
        writeBytes(empty, QByteArray());
        NoteReadResult read = readNoteFile(empty);
        QVERIFY(!read.ok);
        QCOMPARE(read.errorNumber, 5);
        QCOMPARE(read.errorDescription, QStringLiteral("Invalid procedure call or argument"));

        read = readNoteFile(m_dir.filePath(QStringLiteral("nothing.txt")));
        QVERIFY(!read.ok);
        QCOMPARE(read.errorNumber, 53);
        QCOMPARE(read.errorDescription, QStringLiteral("File not found"));

        read = readNoteFile(m_dir.path());
        QVERIFY(!read.ok);
        QCOMPARE(read.errorNumber, 75);

        // Permissions do not bind root: CTest runs this test as an ordinary user.
        QVERIFY2(::geteuid() != 0, "run as an ordinary user (tests/support/as-ordinary-user.sh)");
        const QString locked = m_dir.filePath(QStringLiteral("locked.txt"));
        writeBytes(locked, "x\r\n");
        QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        read = readNoteFile(locked);
        QCOMPARE(read.errorNumber, 70);
        QCOMPARE(read.errorDescription, QStringLiteral("Permission denied"));
    }
};

int runNoteStorageTests(int argc, char** argv) {
    TestNoteStorage tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "test_notestorage.moc"
