#include "storage/NoteDatabase.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;

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

} // namespace

void NoteDatabase::Closer::operator()(sqlite3* db) const {
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
    // Without SQLITE_OPEN_CREATE: a file that vanished in the meantime is not made anew.
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
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
    const Statement journal = prepare(raw, "PRAGMA journal_mode=DELETE", error);
    if (!journal || sqlite3_step(journal.get()) != SQLITE_ROW) {
        fail(raw, error);
        return nullptr;
    }
    if (textColumn(journal.get(), 0).compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
        setError(error, QStringLiteral("The database cannot use a rollback journal"));
        return nullptr;
    }
    if (!run(raw, "PRAGMA synchronous=FULL", error)) {
        return nullptr;
    }
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
                            "CREATE UNIQUE INDEX \"theKey\" ON data (theKey)",
                            "CREATE INDEX \"theCategory\" ON data (theCategory, theKey)", "COMMIT"}) {
        ok = ok && run(raw, sql, error);
    }
    db.reset();
    if (!ok) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
    }
    return ok;
}

std::optional<std::int64_t> NoteDatabase::recordCount(QString* error) {
    const Statement statement = prepare(m_db.get(), "SELECT count(*) FROM data", error);
    if (!statement) {
        return std::nullopt;
    }
    if (sqlite3_step(statement.get()) != SQLITE_ROW) {
        fail(m_db.get(), error);
        return std::nullopt;
    }
    return sqlite3_column_int64(statement.get(), 0);
}

bool NoteDatabase::forEachInCategory(const QString& category, const std::function<void(const NoteRecord&)>& visit,
                                     QString* error) {
    const Statement statement =
        prepare(m_db.get(), QByteArray(kSelectRecord) + " WHERE theCategory = ?1 ORDER BY theKey", error);
    const QByteArray name = category.toUtf8();
    return statement && bindText(m_db.get(), statement.get(), 1, name, error) &&
           visitRows(m_db.get(), statement.get(), visit, error);
}

bool NoteDatabase::forEach(const std::function<void(const NoteRecord&)>& visit, QString* error) {
    const Statement statement = prepare(m_db.get(), QByteArray(kSelectRecord) + " ORDER BY theKey", error);
    return statement && visitRows(m_db.get(), statement.get(), visit, error);
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
