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
// ("theCategory", "theKey") for the note list. "theKey" increases and is never given twice. Rollback journal and
// full synchronous commits, so that whenever no operation runs the file alone is the whole database and a saved
// note survives a power cut. Opened per operation; never creates a file or a schema except through createSchema.
class NoteDatabase {
public:
    ~NoteDatabase();
    NoteDatabase(const NoteDatabase&) = delete;
    NoteDatabase& operator=(const NoteDatabase&) = delete;

    // Opens an existing database; fails (with a reason) when the file is missing, is not a database or lacks the
    // table or one of its fields.
    static std::unique_ptr<NoteDatabase> open(const QString& path, QString* error = nullptr);
    // Makes a new, empty database with the schema (used when the program is built); fails when the file exists.
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
    // Nothing when no record has that key (error is then left empty) or when the search failed (error says why).
    std::optional<NoteRecord> findByKey(std::int64_t key, QString* error = nullptr);
    enum class DeleteResult { Deleted, NotFound, Failed };
    DeleteResult deleteByKey(std::int64_t key, QString* error = nullptr);

    // A write transaction, for operations that must change the database and the note files together.
    // Closing the database inside one rolls it back.
    bool begin(QString* error = nullptr);
    bool commit(QString* error = nullptr);
    void rollback();

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    explicit NoteDatabase(sqlite3* db);
    std::unique_ptr<sqlite3, Closer> m_db;
};
