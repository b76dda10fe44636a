#include "storage/NoteDatabase.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <atomic>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long an operation waits for another program's hold on the database to end. The window waits with it, so
// briefly: a hold longer than this is reported instead ("database is locked") and the inputs stay for a retry.
constexpr int kBusyTimeoutMs = 1000;

// PRAGMA user_version of a database of the current schema; the earlier one left it at 0.
constexpr int kSchemaVersion = 1;

// What the current schema adds to the table and its "theKey" index. The list reads its rows from the "theCategory"
// index alone, in "theKey" order; the count is kept by triggers, so that any program that changes the table keeps it
// right.
constexpr const char* kCurrentSchema[] = {
    "CREATE INDEX \"theCategory\" ON data (theCategory, theKey, theDescription, theDate, theTime, thePath)",
    "CREATE TABLE dataCount (records INTEGER NOT NULL)",
    "INSERT INTO dataCount SELECT count(*) FROM data",
    "CREATE TRIGGER dataCountAdd AFTER INSERT ON data BEGIN UPDATE dataCount SET records = records + 1; END",
    "CREATE TRIGGER dataCountRemove AFTER DELETE ON data BEGIN UPDATE dataCount SET records = records - 1; END",
    "PRAGMA user_version = 1",
};

std::atomic<std::uint64_t> statementsRun{0};
std::atomic<std::uint64_t> pagesRead{0};

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

constexpr const char* kSelectRecord = "SELECT theDate, theTime, theCategory, theDescription, thePath, theKey FROM data";

void setError(QString* error, const QString& text) {
    if (error != nullptr) {
        *error = text;
    }
}

bool fail(sqlite3* db, QString* error) {
    setError(error, QString::fromUtf8(sqlite3_errmsg(db)));
    return false;
}

Statement prepare(sqlite3* db, const QByteArray& sql, QString* error) {
    ++statementsRun;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
        fail(db, error);
    }
    return Statement(raw);
}

// Runs a statement to its end, ignoring any rows it gives.
bool run(sqlite3* db, const QByteArray& sql, QString* error) {
    const Statement statement = prepare(db, sql, error);
    if (!statement) {
        return false;
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE || fail(db, error);
}

// The bytes must live until the statement has run: SQLite is told not to copy them.
bool bindText(sqlite3* db, sqlite3_stmt* statement, int index, const QByteArray& utf8, QString* error) {
    return sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), nullptr) == SQLITE_OK ||
           fail(db, error);
}

QString textColumn(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    if (text == nullptr) {
        return {};
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement, column));
}

NoteRecord recordOf(sqlite3_stmt* statement) {
    NoteRecord record;
    record.theDate = textColumn(statement, 0);
    record.theTime = textColumn(statement, 1);
    record.theCategory = textColumn(statement, 2);
    record.theDescription = textColumn(statement, 3);
    record.thePath = textColumn(statement, 4);
    record.theKey = sqlite3_column_int64(statement, 5);
    return record;
}

bool visitRows(sqlite3* db, sqlite3_stmt* statement, const std::function<void(const NoteRecord&)>& visit,
               QString* error) {
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        visit(recordOf(statement));
    }
    return rc == SQLITE_DONE || fail(db, error);
}

int userVersion(sqlite3* db) {
    const Statement statement = prepare(db, "PRAGMA user_version", nullptr);
    return statement && sqlite3_step(statement.get()) == SQLITE_ROW ? sqlite3_column_int(statement.get(), 0) : 0;
}

// Brings a database of the earlier schema up to date, whole or not at all. Does not wait for a lock another program
// holds: the database then stays as it is for this operation, and the next one tries again.
bool upgradeSchema(sqlite3* db) {
    sqlite3_busy_timeout(db, 0);
    bool ok = run(db, "BEGIN IMMEDIATE", nullptr);
    if (ok) {
        ok = run(db, "DROP INDEX IF EXISTS \"theCategory\"", nullptr);
        for (const char* sql : kCurrentSchema) {
            ok = ok && run(db, sql, nullptr);
        }
        ok = ok && run(db, "COMMIT", nullptr);
        if (!ok && sqlite3_get_autocommit(db) == 0) {
            run(db, "ROLLBACK", nullptr);
        }
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return ok;
}

} // namespace

NoteDatabase::Reads NoteDatabase::reads() {
    return {statementsRun.load(), pagesRead.load()};
}

void NoteDatabase::Closer::operator()(sqlite3* db) const {
    // Each operation opens its own connection, whose cache starts empty: its misses are the pages it read.
    int missed = 0;
    int highest = 0;
    if (sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_MISS, &missed, &highest, 0) == SQLITE_OK) {
        pagesRead += static_cast<std::uint64_t>(missed);
    }
    sqlite3_close_v2(db);
}

NoteDatabase::NoteDatabase(sqlite3* db) : m_db(db) {}

NoteDatabase::~NoteDatabase() = default;

std::unique_ptr<NoteDatabase> NoteDatabase::open(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        setError(error, QStringLiteral("The database file does not exist: %1").arg(path));
        return nullptr;
    }
    if (!info.isFile()) {
        setError(error, QStringLiteral("The database path is not a file: %1").arg(path));
        return nullptr;
    }
    sqlite3* raw = nullptr;
    // Without SQLITE_OPEN_CREATE: a file that vanished in the meantime is not made anew. A connection serves one
    // operation on one thread, so it goes without a lock of its own, which every call to read a column would take.
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<NoteDatabase> db(new NoteDatabase(raw));
    if (rc != SQLITE_OK) {
        if (raw == nullptr) {
            setError(error, QStringLiteral("Out of memory opening the database"));
        } else {
            fail(raw, error);
        }
        return nullptr;
    }
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    // Reading the table's fields proves that the file is a database and holds the table; an empty file passes
    // SQLite's own checks but has no table.
    if (!run(raw, QByteArray(kSelectRecord) + " LIMIT 0", error)) {
        return nullptr;
    }
    // A database left in WAL mode is turned back to a rollback journal, so the file alone is the database.
    QString journalMode;
    if (const Statement journal = prepare(raw, "PRAGMA journal_mode=DELETE", error);
        journal && sqlite3_step(journal.get()) == SQLITE_ROW) {
        journalMode = textColumn(journal.get(), 0);
    } else {
        fail(raw, error);
        return nullptr;
    }
    if (journalMode.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
        setError(error, QStringLiteral("The database cannot use a rollback journal"));
        return nullptr;
    }
    if (!run(raw, "PRAGMA synchronous=FULL", error)) {
        return nullptr;
    }
    // No statement may be left running here: the upgrade drops an index.
    db->m_counted = userVersion(raw) >= kSchemaVersion || upgradeSchema(raw);
    return db;
}

bool NoteDatabase::createSchema(const QString& path, QString* error) {
    if (QFileInfo::exists(path)) {
        setError(error, QStringLiteral("The database file exists already: %1").arg(path));
        return false;
    }
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, Closer> db(raw);
    bool ok = rc == SQLITE_OK;
    if (!ok) {
        setError(error, raw == nullptr ? QStringLiteral("Out of memory creating the database")
                                       : QString::fromUtf8(sqlite3_errmsg(raw)));
    }
    // AUTOINCREMENT: a key once given is never given again, even after the last record was deleted.
    for (const char* sql : {"PRAGMA journal_mode=DELETE", "BEGIN",
                            "CREATE TABLE data (theDate TEXT, theTime TEXT, theCategory TEXT, theDescription TEXT, "
                            "thePath TEXT, theKey INTEGER PRIMARY KEY AUTOINCREMENT)",
                            "CREATE UNIQUE INDEX \"theKey\" ON data (theKey)"}) {
        ok = ok && run(raw, sql, error);
    }
    for (const char* sql : kCurrentSchema) {
        ok = ok && run(raw, sql, error);
    }
    ok = ok && run(raw, "COMMIT", error);
    db.reset();
    if (!ok) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
    }
    return ok;
}

std::optional<std::int64_t> NoteDatabase::recordCount(QString* error) {
    const Statement statement =
        prepare(m_db.get(), m_counted ? "SELECT records FROM dataCount" : "SELECT count(*) FROM data", error);
    if (!statement) {
        return std::nullopt;
    }
    if (sqlite3_step(statement.get()) != SQLITE_ROW) {
        fail(m_db.get(), error);
        return std::nullopt;
    }
    return sqlite3_column_int64(statement.get(), 0);
}

bool NoteDatabase::listCategory(const QString& category, const std::function<void(const ListedNote&)>& visit,
                                QString* error) {
    const Statement statement = prepare(m_db.get(),
                                        "SELECT theDescription, theDate, theTime, thePath, theKey FROM data "
                                        "WHERE theCategory = ?1 ORDER BY theKey",
                                        error);
    const QByteArray name = category.toUtf8();
    if (!statement || !bindText(m_db.get(), statement.get(), 1, name, error)) {
        return false;
    }
    sqlite3_stmt* row = statement.get();
    const auto text = [row](int column) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
        return QUtf8StringView(bytes, bytes == nullptr ? 0 : sqlite3_column_bytes(row, column));
    };
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(row)) == SQLITE_ROW) {
        visit({text(0), text(1), text(2), text(3), sqlite3_column_int64(row, 4)});
    }
    return rc == SQLITE_DONE || fail(m_db.get(), error);
}

bool NoteDatabase::forEach(const std::function<void(const NoteRecord&)>& visit, QString* error) {
    const Statement statement = prepare(m_db.get(), QByteArray(kSelectRecord) + " ORDER BY theKey", error);
    return statement && visitRows(m_db.get(), statement.get(), visit, error);
}

bool NoteDatabase::forEachAfter(std::int64_t afterKey, int limit, const std::function<void(const NoteRecord&)>& visit,
                                QString* error) {
    const Statement statement =
        prepare(m_db.get(), QByteArray(kSelectRecord) + " WHERE theKey > ?1 ORDER BY theKey LIMIT ?2", error);
    if (!statement) {
        return false;
    }
    if (sqlite3_bind_int64(statement.get(), 1, afterKey) != SQLITE_OK ||
        sqlite3_bind_int(statement.get(), 2, limit) != SQLITE_OK) {
        return fail(m_db.get(), error);
    }
    return visitRows(m_db.get(), statement.get(), visit, error);
}

std::optional<std::int64_t> NoteDatabase::add(const NoteRecord& record, QString* error) {
    const Statement statement = prepare(
        m_db.get(),
        "INSERT INTO data (theDate, theTime, theCategory, theDescription, thePath) VALUES (?1, ?2, ?3, ?4, ?5)", error);
    if (!statement) {
        return std::nullopt;
    }
    const QByteArray values[] = {record.theDate.toUtf8(), record.theTime.toUtf8(), record.theCategory.toUtf8(),
                                 record.theDescription.toUtf8(), record.thePath.toUtf8()};
    for (int i = 0; i < 5; ++i) {
        if (!bindText(m_db.get(), statement.get(), i + 1, values[i], error)) {
            return std::nullopt;
        }
    }
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        fail(m_db.get(), error);
        return std::nullopt;
    }
    return sqlite3_last_insert_rowid(m_db.get());
}

std::optional<NoteRecord> NoteDatabase::findByKey(std::int64_t key, QString* error) {
    setError(error, QString());
    const Statement statement = prepare(m_db.get(), QByteArray(kSelectRecord) + " WHERE theKey = ?1", error);
    if (!statement || sqlite3_bind_int64(statement.get(), 1, key) != SQLITE_OK) {
        fail(m_db.get(), error);
        return std::nullopt;
    }
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_ROW) {
        return recordOf(statement.get());
    }
    if (rc != SQLITE_DONE) {
        fail(m_db.get(), error);
    }
    return std::nullopt;
}

NoteDatabase::DeleteResult NoteDatabase::deleteByKey(std::int64_t key, QString* error) {
    const Statement statement = prepare(m_db.get(), "DELETE FROM data WHERE theKey = ?1", error);
    if (!statement || sqlite3_bind_int64(statement.get(), 1, key) != SQLITE_OK ||
        sqlite3_step(statement.get()) != SQLITE_DONE) {
        fail(m_db.get(), error);
        return DeleteResult::Failed;
    }
    return sqlite3_changes(m_db.get()) > 0 ? DeleteResult::Deleted : DeleteResult::NotFound;
}

bool NoteDatabase::begin(QString* error) {
    return run(m_db.get(), "BEGIN IMMEDIATE", error);
}

bool NoteDatabase::commit(QString* error) {
    return run(m_db.get(), "COMMIT", error);
}

void NoteDatabase::rollback() {
    if (sqlite3_get_autocommit(m_db.get()) == 0) {
        run(m_db.get(), "ROLLBACK", nullptr);
    }
}

std::optional<DatabaseStamp> NoteDatabase::stamp(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    // The file change counter: four bytes, most significant first, at offset 24 of the header. A write that
    // commits advances it before the database is unlocked (rollback journal; the database never stays in WAL mode).
    struct stat info {};
    unsigned char counter[4] = {};
    const bool read = ::fstat(fd, &info) == 0 && ::pread(fd, counter, sizeof counter, 24) == sizeof counter;
    ::close(fd);
    if (!read) {
        return std::nullopt;
    }
    DatabaseStamp result;
    result.device = static_cast<std::uint64_t>(info.st_dev);
    result.inode = static_cast<std::uint64_t>(info.st_ino);
    result.size = static_cast<std::int64_t>(info.st_size);
    result.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    result.changeCounter = (std::uint32_t{counter[0]} << 24) | (std::uint32_t{counter[1]} << 16) |
                           (std::uint32_t{counter[2]} << 8) | std::uint32_t{counter[3]};
    return result;
}
