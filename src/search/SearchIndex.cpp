#include "search/SearchIndex.h"

#include "common/Files.h"
#include "common/platform/FolderWatch.h"
#include "search/Fold.h"
#include "storage/NoteFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <limits>
#include <unordered_set>

#include <sys/stat.h>

namespace {

// Raised whenever the layout of the index or the folding changes: an index of another version is made afresh.
constexpr int kIndexVersion = 2;

// A file written this close to the time it is indexed may be written again within the same tick of the file
// system's clock; its time is not trusted, so the next look at every file indexes it again.
constexpr std::int64_t kRacyNs = 2'000'000'000;

constexpr const char* kSchema[] = {
    "CREATE TABLE meta (name TEXT PRIMARY KEY, value) WITHOUT ROWID",
    // One row per record of the note database. fileSize is NULL while the note waits to be indexed.
    "CREATE TABLE notes (theKey INTEGER PRIMARY KEY, theCategory TEXT NOT NULL, theDescription TEXT NOT NULL, "
    "theDate TEXT NOT NULL, theTime TEXT NOT NULL, thePath TEXT NOT NULL, fileName TEXT, "
    "foldedCategory TEXT NOT NULL, foldedDescription TEXT NOT NULL, fileSize INTEGER, fileChanged INTEGER)",
    "CREATE INDEX notesByFile ON notes (fileName)",
    "CREATE INDEX notesWaiting ON notes (theKey) WHERE fileSize IS NULL",
    "CREATE VIRTUAL TABLE words USING fts5 (category, description, body, tokenize = 'trigram case_sensitive 1')",
};

std::atomic<int> indexFilesOpened{0};

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return Statement(raw);
}

void bind(sqlite3_stmt* statement, int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

QString column(sqlite3_stmt* statement, int index) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, index)),
                             sqlite3_column_bytes(statement, index));
}

// The file name of a stored path "\data\NAME"; empty when the path leads anywhere else.
QString noteFileName(const QString& thePath) {
    const QString prefix = QStringLiteral("\\data\\");
    if (!thePath.startsWith(prefix)) {
        return {};
    }
    const QString name = thePath.mid(prefix.size());
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..") ||
        name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/'))) {
        return {};
    }
    return name;
}

struct FileState {
    std::int64_t size = -1; // -1: missing or not a file
    // The time of the file's last change of any kind: every write moves it, and unlike the modification time no
    // program can set it back, so a rewrite that keeps the size and the modification time is seen too.
    std::int64_t changedNs = 0;
};

FileState fileState(const QString& path) {
    struct stat status {};
    FileState state;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return state;
    }
    state.size = static_cast<std::int64_t>(status.st_size);
    state.changedNs = static_cast<std::int64_t>(status.st_ctim.tv_sec) * 1'000'000'000 + status.st_ctim.tv_nsec;
    return state;
}

QString quotedPhrase(const QString& word) {
    QString phrase = word;
    phrase.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + phrase + QLatin1Char('"');
}

QByteArray stampText(const DatabaseStamp& s) {
    return QByteArray::number(static_cast<qulonglong>(s.device)) + ' ' +
           QByteArray::number(static_cast<qulonglong>(s.inode)) + ' ' +
           QByteArray::number(static_cast<qlonglong>(s.size)) + ' ' +
           QByteArray::number(static_cast<qlonglong>(s.modifiedNs)) + ' ' + QByteArray::number(s.changeCounter);
}

// The data folder by its canonical path: one folder reached by several paths (a symbolic link) has one index.
QString dataFolderKey(const QString& data) {
    const QString canonical = QFileInfo(data).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(data).absoluteFilePath() : canonical;
}

} // namespace

void SearchIndex::Closer::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

SearchIndex::SearchIndex(const QString& programFolder)
    : m_programFolder(programFolder), m_dataFolder(ProgramPath(programFolder, QStringLiteral("\\data"))),
      m_indexFolder(folderFor(programFolder)) {}

SearchIndex::~SearchIndex() = default;

QString SearchIndex::folderFor(const QString& programFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(dataFolderKey(ProgramPath(programFolder, QStringLiteral("\\data")))),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/scribbet/") +
           QString::fromLatin1(hash);
}

int SearchIndex::filesOpened() {
    return indexFilesOpened.load();
}

bool SearchIndex::exec(const char* sql) {
    const int rc = sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr);
    noteError(rc);
    return rc == SQLITE_OK;
}

void SearchIndex::noteError(int rc) {
    if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB) {
        m_damaged = true;
    }
}

bool SearchIndex::open() {
    // Watch first, so that no change made while the index is looked over goes unseen.
    m_watch = std::make_unique<FolderWatch>(m_dataFolder);
    m_watch->take();
    if (!openFile(Opening::Kept) && !openFile(Opening::Fresh) && !openFile(Opening::Memory)) {
        return false;
    }
    markAllFilesByStat();
    followDatabase();
    if (m_damaged && !openFile(Opening::Fresh) && !openFile(Opening::Memory)) {
        return false;
    }
    return true;
}

bool SearchIndex::openFile(Opening how) {
    m_waiting.reset();
    m_db.reset();
    m_stamp.reset();
    m_damaged = false;
    QByteArray name = ":memory:";
    if (how != Opening::Memory) {
        // Owner-only: the folder is made 0700 and the files 0600 whatever the process's mask.
        QDir().mkpath(m_indexFolder);
        QFile::setPermissions(m_indexFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString path = m_indexFolder + QStringLiteral("/index.sqlite");
        if (how == Opening::Fresh) {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
                QFile::remove(path + QLatin1String(suffix));
            }
        }
        {
            QFile file(path);
            if (!file.exists() && !file.open(QIODevice::WriteOnly)) {
                return false;
            }
        }
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        name = QFile::encodeName(path);
        ++indexFilesOpened;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK) {
        return false;
    }
    sqlite3_busy_timeout(m_db.get(), 1000);
    if (!exec("PRAGMA journal_mode = WAL") || !exec("PRAGMA synchronous = NORMAL")) {
        return false;
    }
    // An index is used only when it is of this version and made for this data folder.
    const QString folder = dataFolderKey(m_dataFolder);
    {
        const Statement version = prepare(m_db.get(), "SELECT value FROM meta WHERE name = 'version'");
        const Statement owner = prepare(m_db.get(), "SELECT value FROM meta WHERE name = 'folder'");
        if (version && owner) {
            const bool current = sqlite3_step(version.get()) == SQLITE_ROW &&
                                 sqlite3_column_int(version.get(), 0) == kIndexVersion &&
                                 sqlite3_step(owner.get()) == SQLITE_ROW && column(owner.get(), 0) == folder;
            if (current) {
                const Statement stamp = prepare(m_db.get(), "SELECT value FROM meta WHERE name = 'stamp'");
                if (stamp && sqlite3_step(stamp.get()) == SQLITE_ROW) {
                    const QList<QByteArray> parts = column(stamp.get(), 0).toLatin1().split(' ');
                    if (parts.size() == 5) {
                        m_stamp = DatabaseStamp{parts[0].toULongLong(), parts[1].toULongLong(), parts[2].toLongLong(),
                                                parts[3].toLongLong(), parts[4].toUInt()};
                    }
                }
                return !m_damaged;
            }
        }
    }
    if (how == Opening::Kept) {
        return false;
    }
    if (!exec("BEGIN")) {
        return false;
    }
    for (const char* sql : kSchema) {
        if (!exec(sql)) {
            exec("ROLLBACK");
            return false;
        }
    }
    const Statement meta = prepare(m_db.get(), "INSERT INTO meta VALUES ('version', ?1), ('folder', ?2)");
    sqlite3_bind_int(meta.get(), 1, kIndexVersion);
    bind(meta.get(), 2, folder);
    if (sqlite3_step(meta.get()) != SQLITE_DONE || !exec("COMMIT")) {
        exec("ROLLBACK");
        return false;
    }
    return true;
}

void SearchIndex::refresh() {
    if (!m_db) {
        return;
    }
    if (m_damaged) {
        if (!openFile(Opening::Fresh) && !openFile(Opening::Memory)) {
            m_db.reset();
            return;
        }
        markAllFilesByStat();
    }
    const FolderWatch::Changes changes = m_watch->take();
    if (changes.lostTrack) {
        markAllFilesByStat();
    } else {
        for (const QString& name : changes.names) {
            markFile(name);
        }
    }
    followDatabase();
}

void SearchIndex::markFile(const QString& name) {
    m_waiting.reset();
    const Statement mark = prepare(m_db.get(), "UPDATE notes SET fileSize = NULL WHERE fileName = ?1");
    bind(mark.get(), 1, name);
    noteError(sqlite3_step(mark.get()));
}

void SearchIndex::markAllFilesByStat() {
    m_waiting.reset();
    const Statement all =
        prepare(m_db.get(), "SELECT theKey, fileName, fileSize, fileChanged FROM notes WHERE fileSize IS NOT NULL");
    if (!all) {
        return;
    }
    std::vector<std::int64_t> changed;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(all.get())) == SQLITE_ROW) {
        const QString name = column(all.get(), 1);
        const FileState state = name.isEmpty() ? FileState{} : fileState(m_dataFolder + QLatin1Char('/') + name);
        if (state.size != sqlite3_column_int64(all.get(), 2) ||
            (state.size >= 0 && state.changedNs != sqlite3_column_int64(all.get(), 3))) {
            changed.push_back(sqlite3_column_int64(all.get(), 0));
        }
    }
    noteError(rc);
    const Statement mark = prepare(m_db.get(), "UPDATE notes SET fileSize = NULL WHERE theKey = ?1");
    exec("BEGIN");
    for (const std::int64_t key : changed) {
        sqlite3_bind_int64(mark.get(), 1, key);
        noteError(sqlite3_step(mark.get()));
        sqlite3_reset(mark.get());
    }
    exec("COMMIT");
}

void SearchIndex::followDatabase() {
    const QString databasePath = ProgramPath(m_programFolder, QStringLiteral("\\data\\data.mdb"));
    // Taken before the records are read: a write in between makes the next look read them again.
    const std::optional<DatabaseStamp> stamp = NoteDatabase::stamp(databasePath);
    if (!stamp || stamp == m_stamp) {
        return;
    }
    const std::unique_ptr<NoteDatabase> database = NoteDatabase::open(databasePath);
    if (!database) {
        return;
    }
    m_waiting.reset();
    const Statement find =
        prepare(m_db.get(), "SELECT theCategory, theDescription, theDate, theTime, thePath FROM notes "
                            "WHERE theKey = ?1");
    const Statement put =
        prepare(m_db.get(), "INSERT OR REPLACE INTO notes (theKey, theCategory, theDescription, theDate, "
                            "theTime, thePath, fileName, foldedCategory, foldedDescription, fileSize, "
                            "fileChanged) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, NULL, NULL)");
    if (!find || !put || !exec("BEGIN")) {
        noteError(sqlite3_errcode(m_db.get()));
        return;
    }
    std::unordered_set<std::int64_t> seen;
    // Read in steps, each a read of its own: the program saving or deleting a note meanwhile waits for one step at
    // most, not for the whole table. What it changes between the steps changes the stamp, and the next look reads
    // the records again.
    constexpr int kRecordsPerRead = 1000;
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    std::size_t before = 0;
    bool read = true;
    const auto visit = [&](const NoteRecord& record) {
        last = record.theKey;
        seen.insert(record.theKey);
        sqlite3_bind_int64(find.get(), 1, record.theKey);
        const bool same = sqlite3_step(find.get()) == SQLITE_ROW && column(find.get(), 0) == record.theCategory &&
                          column(find.get(), 1) == record.theDescription && column(find.get(), 2) == record.theDate &&
                          column(find.get(), 3) == record.theTime && column(find.get(), 4) == record.thePath;
        sqlite3_reset(find.get());
        if (same) {
            return;
        }
        sqlite3_bind_int64(put.get(), 1, record.theKey);
        bind(put.get(), 2, record.theCategory);
        bind(put.get(), 3, record.theDescription);
        bind(put.get(), 4, record.theDate);
        bind(put.get(), 5, record.theTime);
        bind(put.get(), 6, record.thePath);
        const QString name = noteFileName(record.thePath);
        if (name.isEmpty()) {
            sqlite3_bind_null(put.get(), 7);
        } else {
            bind(put.get(), 7, name);
        }
        bind(put.get(), 8, foldForSearch(record.theCategory));
        bind(put.get(), 9, foldForSearch(record.theDescription));
        noteError(sqlite3_step(put.get()));
        sqlite3_reset(put.get());
    };
    do {
        before = seen.size();
        read = database->forEachAfter(last, kRecordsPerRead, visit);
    } while (read && seen.size() - before == kRecordsPerRead);
    if (!read) {
        exec("ROLLBACK");
        return;
    }
    // Records that are gone.
    std::vector<std::int64_t> gone;
    {
        const Statement keys = prepare(m_db.get(), "SELECT theKey FROM notes");
        while (sqlite3_step(keys.get()) == SQLITE_ROW) {
            const std::int64_t key = sqlite3_column_int64(keys.get(), 0);
            if (seen.count(key) == 0) {
                gone.push_back(key);
            }
        }
    }
    const Statement dropNote = prepare(m_db.get(), "DELETE FROM notes WHERE theKey = ?1");
    const Statement dropWords = prepare(m_db.get(), "DELETE FROM words WHERE rowid = ?1");
    for (const std::int64_t key : gone) {
        for (sqlite3_stmt* statement : {dropNote.get(), dropWords.get()}) {
            sqlite3_bind_int64(statement, 1, key);
            noteError(sqlite3_step(statement));
            sqlite3_reset(statement);
        }
    }
    const Statement keep = prepare(m_db.get(), "INSERT OR REPLACE INTO meta VALUES ('stamp', ?1)");
    bind(keep.get(), 1, QString::fromLatin1(stampText(*stamp)));
    noteError(sqlite3_step(keep.get()));
    if (exec("COMMIT")) {
        m_stamp = stamp;
    } else {
        exec("ROLLBACK");
    }
}

std::int64_t SearchIndex::waiting() {
    if (!m_db) {
        return 0;
    }
    if (!m_waiting) {
        const Statement count = prepare(m_db.get(), "SELECT count(*) FROM notes WHERE fileSize IS NULL");
        m_waiting = count && sqlite3_step(count.get()) == SQLITE_ROW ? sqlite3_column_int64(count.get(), 0) : 0;
    }
    return *m_waiting;
}

std::int64_t SearchIndex::work(int limit) {
    if (!m_db) {
        return 0;
    }
    std::vector<std::int64_t> keys;
    {
        const Statement next =
            prepare(m_db.get(), "SELECT theKey FROM notes WHERE fileSize IS NULL ORDER BY theKey DESC LIMIT ?1");
        sqlite3_bind_int(next.get(), 1, limit);
        while (sqlite3_step(next.get()) == SQLITE_ROW) {
            keys.push_back(sqlite3_column_int64(next.get(), 0));
        }
    }
    if (keys.empty()) {
        return 0;
    }
    exec("BEGIN");
    bool all = true;
    for (const std::int64_t key : keys) {
        all = indexNote(key) && all;
    }
    if (exec("COMMIT") && all && m_waiting) {
        m_waiting = std::max<std::int64_t>(0, *m_waiting - static_cast<std::int64_t>(keys.size()));
    } else {
        m_waiting.reset();
    }
    return waiting();
}

bool SearchIndex::indexNote(std::int64_t key) {
    const Statement note =
        prepare(m_db.get(), "SELECT fileName, foldedCategory, foldedDescription FROM notes WHERE theKey = ?1");
    sqlite3_bind_int64(note.get(), 1, key);
    if (sqlite3_step(note.get()) != SQLITE_ROW) {
        return false;
    }
    const QString name = column(note.get(), 0);
    QString body;
    FileState state;
    if (!name.isEmpty()) {
        const QString path = m_dataFolder + QLatin1Char('/') + name;
        // The state is taken before the text is read: a write in between is seen again by its size or time.
        state = fileState(path);
        if (state.size >= 0) {
            const NoteReadResult read = readNoteFile(path);
            if (read.ok) {
                body = foldForSearch(read.text);
            }
        }
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch() * 1'000'000;
        if (state.size >= 0 && now - state.changedNs < kRacyNs) {
            state.changedNs = -1;
        }
    }
    const Statement dropWords = prepare(m_db.get(), "DELETE FROM words WHERE rowid = ?1");
    sqlite3_bind_int64(dropWords.get(), 1, key);
    noteError(sqlite3_step(dropWords.get()));
    const Statement addWords =
        prepare(m_db.get(), "INSERT INTO words (rowid, category, description, body) VALUES (?1, ?2, ?3, ?4)");
    sqlite3_bind_int64(addWords.get(), 1, key);
    bind(addWords.get(), 2, column(note.get(), 1));
    bind(addWords.get(), 3, column(note.get(), 2));
    bind(addWords.get(), 4, body);
    noteError(sqlite3_step(addWords.get()));
    const Statement done = prepare(m_db.get(), "UPDATE notes SET fileSize = ?2, fileChanged = ?3 WHERE theKey = ?1");
    sqlite3_bind_int64(done.get(), 1, key);
    sqlite3_bind_int64(done.get(), 2, state.size);
    sqlite3_bind_int64(done.get(), 3, state.changedNs);
    const int rc = sqlite3_step(done.get());
    noteError(rc);
    return rc == SQLITE_DONE;
}

SearchAnswer SearchIndex::find(const QString& query, const std::function<void(const SearchAnswer&)>& firstPage,
                               const std::function<bool()>& superseded) {
    SearchAnswer answer;
    answer.query = query;
    answer.words = searchWords(query);
    refresh();
    // A few notes touched since the last look are indexed now, so that the answer shows them as they are.
    constexpr int kIndexedAtOnce = 64;
    if (waiting() <= kIndexedAtOnce) {
        work(kIndexedAtOnce);
    }
    answer.waiting = waiting();
    answer.complete = answer.waiting == 0;
    if (answer.words.isEmpty() || !m_db) {
        return answer;
    }
    QStringList longWords;
    QStringList shortWords;
    for (const QString& word : answer.words) {
        (characterCount(word) >= 3 ? longWords : shortWords).append(word);
    }
    // The same notes, newest first, are read twice: the newest with their fields, then the keys of all. Reading the
    // fields of thousands of matches that nobody scrolls to would cost several times the search itself.
    QByteArray from;
    if (!longWords.isEmpty()) {
        from = " FROM words JOIN notes n ON n.theKey = words.rowid WHERE words MATCH ?1";
    } else {
        from = " FROM notes n WHERE 1";
    }
    for (qsizetype i = 0; i < shortWords.size(); ++i) {
        const QByteArray p = QByteArray::number(i + 2);
        from += " AND (instr(n.foldedCategory, ?" + p + ") > 0 OR instr(n.foldedDescription, ?" + p + ") > 0)";
    }
    from += longWords.isEmpty() ? " ORDER BY n.theKey DESC" : " ORDER BY words.rowid DESC";
    // The keys alone need no look into the table of notes where no short word asks for one.
    const bool keysAlone = !longWords.isEmpty() && shortWords.isEmpty();
    const Statement newest =
        prepare(m_db.get(), ("SELECT n.theKey, n.theCategory, n.theDescription, n.theDate, n.fileName" + from +
                             " LIMIT " + QByteArray::number(static_cast<qulonglong>(SearchAnswer::kFirstPage)))
                                .constData());
    const Statement keys =
        prepare(m_db.get(), keysAlone ? "SELECT rowid FROM words WHERE words MATCH ?1 ORDER BY rowid DESC"
                                      : ("SELECT n.theKey" + from).constData());
    if (!newest || !keys) {
        noteError(sqlite3_errcode(m_db.get()));
        return answer;
    }
    QStringList phrases;
    for (const QString& word : longWords) {
        phrases.append(quotedPhrase(word));
    }
    for (sqlite3_stmt* statement : {newest.get(), keys.get()}) {
        if (!longWords.isEmpty()) {
            bind(statement, 1, phrases.join(QStringLiteral(" AND ")));
        }
        for (qsizetype i = 0; i < shortWords.size(); ++i) {
            bind(statement, static_cast<int>(i + 2), shortWords.at(i));
        }
    }
    // A newer query stops this one within microseconds, also where many rows are read and few match.
    struct Interrupter {
        sqlite3* db;
        ~Interrupter() { sqlite3_progress_handler(db, 0, nullptr, nullptr); }
    } interrupter{m_db.get()};
    std::function<bool()> stop = superseded;
    if (stop) {
        sqlite3_progress_handler(
            m_db.get(), 2000, [](void* check) { return (*static_cast<std::function<bool()>*>(check))() ? 1 : 0; },
            &stop);
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(newest.get())) == SQLITE_ROW) {
        answer.notes.push_back(readFound(newest.get()));
    }
    if (rc == SQLITE_DONE && answer.notes.size() < SearchAnswer::kFirstPage) {
        return answer;
    }
    if (rc == SQLITE_DONE) {
        // More than a window shows: those go on screen while the rest are counted.
        if (firstPage) {
            SearchAnswer first = answer;
            first.firstPage = true;
            firstPage(first);
        }
        std::vector<FoundNote> all;
        while ((rc = sqlite3_step(keys.get())) == SQLITE_ROW) {
            const std::int64_t key = sqlite3_column_int64(keys.get(), 0);
            if (all.size() < answer.notes.size() && answer.notes[all.size()].theKey == key) {
                all.push_back(answer.notes[all.size()]);
            } else {
                FoundNote found;
                found.theKey = key;
                all.push_back(std::move(found));
            }
        }
        answer.notes = std::move(all);
    }
    if (rc == SQLITE_INTERRUPT) {
        answer.firstPage = true;
        return answer;
    }
    noteError(rc);
    return answer;
}

FoundNote SearchIndex::readFound(sqlite3_stmt* statement) const {
    FoundNote found;
    found.theKey = sqlite3_column_int64(statement, 0);
    found.theCategory = column(statement, 1);
    found.theDescription = column(statement, 2);
    found.theDate = column(statement, 3);
    const QString name = column(statement, 4);
    if (!name.isEmpty()) {
        found.noteFile = m_dataFolder + QLatin1Char('/') + name;
    }
    found.detailed = true;
    return found;
}

std::vector<FoundNote> SearchIndex::details(const std::vector<std::int64_t>& keys) {
    std::vector<FoundNote> notes(keys.size());
    const Statement read =
        m_db ? prepare(m_db.get(),
                       "SELECT theKey, theCategory, theDescription, theDate, fileName FROM notes WHERE theKey = ?1")
             : Statement();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        notes[i].theKey = keys[i];
        if (read) {
            sqlite3_bind_int64(read.get(), 1, keys[i]);
            if (sqlite3_step(read.get()) == SQLITE_ROW) {
                notes[i] = readFound(read.get());
            }
            sqlite3_reset(read.get());
        }
    }
    return notes;
}
