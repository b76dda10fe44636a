#pragma once

#include <QString>
#include <QUtf8StringView>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

struct sqlite3;

// A record as the note list shows it: texts in UTF-8 as stored, valid only while the visit that gives them runs.
struct ListedNote {
    QUtf8StringView theDescription;
    QUtf8StringView theDate;
    QUtf8StringView theTime;
    QUtf8StringView thePath;
    std::int64_t theKey = 0;
};

// Identifies one state of a database file: which file it is, and the change counter that every committed write
// advances. Equal stamps mean equal contents.
struct DatabaseStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint32_t changeCounter = 0;
    bool operator==(const DatabaseStamp&) const = default;
};

struct NoteRecord {
    QString theDate;
    QString theTime;
    QString theCategory;
    QString theDescription;
    QString thePath;
    std::int64_t theKey = 0;
};

// The note database data.mdb (an SQLite file): table "data" with its six fields, index "theKey", and for the note
// list an index "theCategory" that holds every listed field, so that a category is read from index pages alone, and
// the record count kept by triggers in table "dataCount", so that it costs one row to read. "theKey" increases and is
// never given twice. Rollback journal and full synchronous commits, so that whenever no operation runs the file alone
// is the whole database and a saved note survives a power cut. Opened per operation; never creates a file, and
// changes the schema only to bring a database of the earlier schema up to date.
class NoteDatabase {
public:
    // What the connections have read so far in this process, all of them together: the statements run and the
    // database pages read from the file. Counts rather than times, so that tests can bound them on any machine.
    struct Reads {
        std::uint64_t statements = 0;
        std::uint64_t pages = 0;
    };
    static Reads reads();

    ~NoteDatabase();
    NoteDatabase(const NoteDatabase&) = delete;
    NoteDatabase& operator=(const NoteDatabase&) = delete;

    // Opens an existing database; fails (with a reason) when the file is missing, is not a database or lacks the
    // table or one of its fields. A database of the earlier schema (table and the two indexes only) is brought up to
    // date in one transaction; while it cannot be (read-only, locked), it is used as it is.
    static std::unique_ptr<NoteDatabase> open(const QString& path, QString* error = nullptr);
    // The stamp of the database file at path, read without opening it as a database; nothing when it cannot be read.
    static std::optional<DatabaseStamp> stamp(const QString& path);
    // Makes a new, empty database with the schema (used when the program is built); fails when the file exists.
    static bool createSchema(const QString& path, QString* error = nullptr);

    // The exact number of records.
    std::optional<std::int64_t> recordCount(QString* error = nullptr);
    // Visits the records of one category (exact, case-sensitive) in "theKey" order, reading index pages only.
    bool listCategory(const QString& category, const std::function<void(const ListedNote&)>& visit,
                      QString* error = nullptr);
    // Visits every record in "theKey" order.
    bool forEach(const std::function<void(const NoteRecord&)>& visit, QString* error = nullptr);
    // Visits at most limit records with a key above afterKey, in "theKey" order, in one short read: a long read made
    // of these lets a writer in between them.
    bool forEachAfter(std::int64_t afterKey, int limit, const std::function<void(const NoteRecord&)>& visit,
                      QString* error = nullptr);
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
    bool m_counted = false; // "dataCount" holds the record count
};
