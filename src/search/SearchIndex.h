#pragma once

#include "storage/NoteDatabase.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class FolderWatch;
struct sqlite3;
struct sqlite3_stmt;

// A note that a search found, as its result row shows it.
struct FoundNote {
    std::int64_t theKey = 0;
    QString theCategory;
    QString theDescription;
    QString theDate;
    QString noteFile;      // native path of the note file; empty when its stored path leads out of the data folder
    bool detailed = false; // false: only theKey is known yet (see SearchIndex::details)
};

struct SearchAnswer {
    QString query;
    QStringList words;            // the folded words of the query
    std::vector<FoundNote> notes; // newest first (highest "theKey" first); the fields of the newest only
    static constexpr std::size_t kFirstPage = 100; // the newest notes, read with their fields
    bool complete = true;                          // false while notes wait to be indexed: more may match
    std::int64_t waiting = 0;                      // notes not yet indexed
    bool firstPage = false;                        // only the newest matches; the whole answer follows
};

// The search index of one program folder: every note's category, description and text, folded (see Fold.h), in an
// SQLite database with a trigram full-text table, so that any part of a word is found. It is derived data, kept in
// the user's cache folder (one per data folder, named by its canonical path, readable by its owner only) and never in
// the data folder. It is rebuilt when missing, damaged or made by another version, and follows the notes by itself:
// the note database's change stamp tells when records came, went or changed, a watch on the data folder tells which
// note files were written, and at opening the size and time of every note file are compared with those indexed.
//
// Used from one thread at a time (the search thread); the connection is its own.
class SearchIndex {
public:
    explicit SearchIndex(const QString& programFolder);
    ~SearchIndex();
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    // The folder in the user's cache that holds the index of this program folder's notes.
    static QString folderFor(const QString& programFolder);
    // How many times an index file was opened in this process (the start-up test counts them).
    static int filesOpened();

    // Opens the index, making it afresh when it is missing, damaged or of another version, and marks whatever no
    // longer matches the notes for indexing. Where the cache folder cannot hold an index (it cannot be written, the
    // disk is full), one is made in memory for this run. False when not even that can be made.
    bool open();
    // Looks for changes made since the last look (cheap when there were none) and marks the notes they touch.
    void refresh();
    // Indexes up to limit waiting notes, newest first; returns how many still wait.
    std::int64_t work(int limit);
    std::int64_t waiting();
    // The notes whose fields hold every word of the query. Words of three characters or more are looked for in the
    // category, description and note text; shorter ones in the category and description only. Looks for changes
    // first, and indexes what they touched when that is little, so that the answer follows the files.
    // The newest kFirstPage matches come with their fields, the others with their key only (details() reads the
    // rest). With more matches than that, firstPage receives the newest as soon as they are read, before the others
    // are counted. Once superseded says so (a newer query waits; it is asked every few thousand steps of the
    // reading), the reading stops and the answer stays a first page.
    SearchAnswer find(const QString& query, const std::function<void(const SearchAnswer&)>& firstPage = {},
                      const std::function<bool()>& superseded = {});
    // The fields of these notes, in the same order; a note no longer in the index keeps only its key.
    std::vector<FoundNote> details(const std::vector<std::int64_t>& keys);

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    // Kept: the index file in the cache as it is, when it is of this version and folder; Fresh: that file made anew;
    // Memory: an index made anew in memory, which lives as long as this object.
    enum class Opening { Kept, Fresh, Memory };
    bool openFile(Opening how);
    bool exec(const char* sql);
    void followDatabase();
    void markAllFilesByStat();
    void markFile(const QString& name);
    bool indexNote(std::int64_t key);
    void noteError(int rc);
    FoundNote readFound(sqlite3_stmt* statement) const;

    QString m_programFolder;
    QString m_dataFolder;
    QString m_indexFolder;
    std::unique_ptr<sqlite3, Closer> m_db;
    std::unique_ptr<FolderWatch> m_watch;
    std::optional<DatabaseStamp> m_stamp; // of the note database as last followed
    bool m_damaged = false;
    // The count of waiting notes while nothing but indexing changed it; counting them anew each step of a build
    // would cost more, the more notes there are.
    std::optional<std::int64_t> m_waiting;
};
