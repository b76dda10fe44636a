#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

struct sqlite3;

struct NoteRecord {
    QString theDate;
    QString theTime;
    QString theCategory;
    QString theDescription;
    QString thePath;
    std::int64_t theKey = 0;
};

// The note database data.mdb (an SQLite file): table "data" with its six fields, index "theKey" and an index on
// "theCategory". Rollback journal and full synchronous commits, so that whenever no operation runs the file alone
// is the whole database. Opened per operation; never creates its schema except through createSchema.
class NoteDatabase {
public:
    ~NoteDatabase();
    NoteDatabase(const NoteDatabase&) = delete;
    NoteDatabase& operator=(const NoteDatabase&) = delete;

    // Opens an existing database; fails (with a reason) when the file is missing, is not a database or lacks the
    // table.
    static std::unique_ptr<NoteDatabase> open(const QString& path, QString* error = nullptr);
    // Makes a new, empty database with the schema (used when the program is built).
    static bool createSchema(const QString& path, QString* error = nullptr);

    // The exact number of records.
    std::optional<std::int64_t> recordCount(QString* error = nullptr);
    // Visits the records of one category (exact, case-sensitive) in "theKey" order.
    bool forEachInCategory(const QString& category, const std::function<void(const NoteRecord&)>& visit,
                           QString* error = nullptr);
    // Visits every record in "theKey" order.
    bool forEach(const std::function<void(const NoteRecord&)>& visit, QString* error = nullptr);
    // Adds a record; returns the key the database gave it.
    std::optional<std::int64_t> add(const NoteRecord& record, QString* error = nullptr);
    std::optional<NoteRecord> findByKey(std::int64_t key, QString* error = nullptr);
    enum class DeleteResult { Deleted, NotFound, Failed };
    DeleteResult deleteByKey(std::int64_t key, QString* error = nullptr);

    // A write transaction, for operations that must change the database and the note files together.
    bool begin(QString* error = nullptr);
    bool commit(QString* error = nullptr);
    void rollback();

private:
    explicit NoteDatabase(sqlite3* db);
    sqlite3* m_db;
};
