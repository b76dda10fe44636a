// Crash safety: a worker process saves notes, deletes them, adds categories or turns preferences through the real
// window and is killed with SIGKILL at a random moment, again and again. After every kill the program is started anew
// on the same folder, and once its start-up is over the folder must hold a sound database, every record's note file
// whole, no note file without a record, key files that read as a whole, and everything the worker had finished.
#include "FaultFigures.h"
#include "FolderSnapshot.h"
#include "KillWork.h"
#include "TestFolder.h"
#include "TestWindow.h"

#include "backup/Archive.h"
#include "backup/BackupRestore.h"
#include "storage/KeyFile.h"
#include "storage/NoteDatabase.h"
#include "storage/NoteFile.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <limits>
#include <random>
#include <thread>

namespace {

// Ids of one worker run are numbered from run * kIdsPerRun, so that every step of the whole test has its own id.
constexpr long kIdsPerRun = 100000;
constexpr int kStartTimeoutMs = 60000;
// Kills land 0 to 50 ms after the worker was told to go.
constexpr int kLatestKillMs = 50;

int killCount() {
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("SCRIBBET_KILLS", &ok);
    return ok && count > 0 ? count : figures::kSanitized ? 20 : 200;
}

// What the worker's log says about its steps.
struct Steps {
    QSet<long> begun;
    QSet<long> done;
    QMap<long, QStringList> details; // the words after "begin <id>"
    QString message;                 // a message box the worker stopped on
};

Steps readLog(const QString& path) {
    Steps steps;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return steps;
    }
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() >= 2 && words[0] == QStringLiteral("begin")) {
            const long id = words[1].toLong();
            steps.begun.insert(id);
            steps.details.insert(id, words.mid(2));
        } else if (words.size() == 2 && words[0] == QStringLiteral("done")) {
            steps.done.insert(words[1].toLong());
        } else if (line.startsWith(QStringLiteral("message "))) {
            steps.message = line;
        }
    }
    return steps;
}

// The worker's data folder, with its trash, inside the run's folder.
const QString kShare = QStringLiteral("share");

class KillRun {
public:
    explicit KillRun(const QString& mode) : m_mode(mode), m_log(m_folder.path() + QStringLiteral("/worker.log")) {}

    TestFolder& folder() { return m_folder; }
    const QString& log() const { return m_log; }

    // Starts a worker and waits for its start-up to end; false (with the reason) when it did not get there.
    bool start(long run, QString& why) {
        m_worker = std::make_unique<QProcess>();
        m_worker->setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/fault_worker"));
        m_worker->setArguments({m_mode, m_folder.path(), m_log, QString::number(run * kIdsPerRun)});
        m_worker->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_folder.path() + QStringLiteral("/") + kShare);
        m_worker->setProcessEnvironment(environment);
        m_worker->start();
        while (!m_worker->canReadLine()) {
            if (!m_worker->waitForReadyRead(kStartTimeoutMs)) {
                why = QStringLiteral("the worker did not start: %1").arg(m_worker->errorString());
                return false;
            }
        }
        return m_worker->readLine().trimmed() == "ready";
    }

    // Lets the worker go and kills it after delay; false when it ended by itself before (a crash or a failed step).
    bool killAfter(std::chrono::milliseconds delay) {
        m_worker->write("go\n");
        m_worker->waitForBytesWritten();
        std::this_thread::sleep_for(delay);
        const bool running = m_worker->state() == QProcess::Running && ::kill(m_worker->processId(), SIGKILL) == 0;
        m_worker->waitForFinished(-1);
        return running && m_worker->exitStatus() == QProcess::CrashExit;
    }

    void stop() {
        if (m_worker) {
            m_worker->closeWriteChannel();
            m_worker->waitForFinished(-1);
        }
    }

private:
    QString m_mode;
    TestFolder m_folder;
    QString m_log;
    std::unique_ptr<QProcess> m_worker;
};

using Check = std::function<QStringList(KillRun&, const Steps&)>;

// Files that may stand in the data folder besides the note files.
const QStringList kDataFiles = {QStringLiteral("data.mdb"), QStringLiteral("category.dat"),
                                QStringLiteral("settings.dat")};

// A journal whose header was never finished is one that SQLite ignores and replaces with its next write: the kill came
// before the transaction changed the database. A finished header would make it a journal that must be rolled back.
bool unfinishedJournal(const TestFolder& folder, const QString& name) {
    const QByteArray header = folder.read(QStringLiteral("\\data\\") + name).left(8);
    return name == QStringLiteral("data.mdb-journal") && header.count('\0') == header.size();
}

QStringList strayFiles(const TestFolder& folder, const QSet<QString>& noteFiles) {
    QStringList stray;
    const QDir data(folder.file(QStringLiteral("\\data")));
    for (const QString& name : data.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        // The delete worker saves a note before it reports ready: an empty pending folder may stay after that.
        const bool emptyPending =
            name == QStringLiteral(".pending") &&
            QDir(data.filePath(name)).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        if (!kDataFiles.contains(name) && !noteFiles.contains(name) && !unfinishedJournal(folder, name) &&
            !emptyPending) {
            stray << QStringLiteral("stray file ") + name + QLatin1Char(' ') +
                         QString::fromLatin1(folder.read(QStringLiteral("\\data\\") + name).left(32).toHex());
        }
    }
    return stray;
}

QString integrity(const QString& databasePath) {
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
    }
    result = result.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(db)) : result;
    sqlite3_close(db);
    return result;
}

// (description, thePath) of every record.
std::vector<std::pair<QString, QString>> records(const QString& databasePath) {
    std::vector<std::pair<QString, QString>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT theDescription, thePath FROM data", -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                rows.emplace_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))),
                                  QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1))));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

// Steps finished but not found, as reported through lost.
QStringList checkSaves(KillRun& run, const Steps& steps, long& lost) {
    QStringList problems;
    const TestFolder& folder = run.folder();
    const QString databasePath = folder.file(QStringLiteral("\\data\\data.mdb"));
    const QString check = integrity(databasePath);
    if (check != QStringLiteral("ok")) {
        problems << QStringLiteral("integrity check: ") + check;
    }
    QSet<long> stored;
    QSet<QString> noteFiles;
    for (const auto& [description, thePath] : records(databasePath)) {
        const long id = description.section(QLatin1Char(' '), 1).toLong();
        if (description != killwork::description(id) || !steps.begun.contains(id) || stored.contains(id)) {
            problems << QStringLiteral("unexpected record ") + description;
            continue;
        }
        stored.insert(id);
        noteFiles.insert(thePath.section(QLatin1Char('\\'), -1));
        if (folder.read(thePath) != noteTextToFileBytes(killwork::noteText(id))) {
            problems << QStringLiteral("note file of %1 missing or not whole").arg(description);
        }
    }
    problems << strayFiles(folder, noteFiles);
    lost = 0;
    for (const long id : steps.done) {
        if (!stored.contains(id)) {
            ++lost;
            problems << QStringLiteral("saved note %1 lost").arg(id);
        }
    }
    return problems;
}

// Every record of the worker's trash must be whole; returns the files its records name, by the file's bytes.
QMap<QByteArray, QString> trashedNotes(const TestFolder& folder, QStringList& problems) {
    QMap<QByteArray, QString> trashed;
    const QDir trash(folder.path() + QLatin1Char('/') + kShare + QStringLiteral("/Trash"));
    const QString data = folder.file(QStringLiteral("\\data"));
    for (const QString& info :
         QDir(trash.filePath(QStringLiteral("info"))).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(trash.filePath(QStringLiteral("info/") + info));
        const QString name = info.chopped(10);
        // The same note may be in the trash twice (a delete cut short after the file went there), under a second name.
        const QRegularExpression whole(QRegularExpression::anchoredPattern(
            QStringLiteral("\\[Trash Info\\]\nPath=") + QRegularExpression::escape(data) +
            QStringLiteral("/[A-Za-z]{16}\\.txt\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")));
        const QString record = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        if (!whole.match(record).hasMatch()) {
            problems << QStringLiteral("torn trash record ") + info + QLatin1Char(' ') + record;
            continue;
        }
        QFile trashedFile(trash.filePath(QStringLiteral("files/") + name));
        // A record whose file never arrived is what a kill between the two leaves; trash tools skip it.
        if (trashedFile.open(QIODevice::ReadOnly)) {
            trashed.insert(trashedFile.readAll(), name);
        }
    }
    return trashed;
}

// Saves as checkSaves; a deleted note is gone from the list with its whole file in the trash, and a note whose
// delete was cut short is either still listed (with its whole file) or already so.
QStringList checkDeletes(KillRun& run, const Steps& steps, long& lost) {
    Steps saves = steps;
    QMap<long, long> deletes; // note id -> delete step id
    for (auto step = steps.details.cbegin(); step != steps.details.cend(); ++step) {
        if (step.value().value(0) == QStringLiteral("delete")) {
            saves.begun.remove(step.key());
            saves.done.remove(step.key());
            deletes.insert(step.value().value(1).toLong(), step.key());
        }
    }
    // A deleted note's save is finished by the delete.
    for (auto note = deletes.cbegin(); note != deletes.cend(); ++note) {
        saves.done.remove(note.key());
    }
    long lostSaves = 0;
    QStringList problems = checkSaves(run, saves, lostSaves);
    const QSet<QString> listed = [&run] {
        QSet<QString> descriptions;
        for (const auto& record : records(run.folder().file(QStringLiteral("\\data\\data.mdb")))) {
            descriptions.insert(record.first);
        }
        return descriptions;
    }();
    const QMap<QByteArray, QString> trashed = trashedNotes(run.folder(), problems);
    lost = lostSaves;
    for (auto note = deletes.cbegin(); note != deletes.cend(); ++note) {
        const bool isListed = listed.contains(killwork::description(note.key()));
        const bool inTrash = trashed.contains(noteTextToFileBytes(killwork::noteText(note.key())));
        if (steps.done.contains(note.value()) && isListed) {
            problems << QStringLiteral("deleted note %1 still listed").arg(note.key());
        }
        if (!isListed && !inTrash) {
            ++lost;
            problems << QStringLiteral("note %1 neither listed nor in the trash").arg(note.key());
        }
    }
    return problems;
}

// A torn key file would end inside a line or hold a line that is neither a section nor an entry.
QStringList checkWhole(const QByteArray& bytes, const QString& name) {
    if (bytes.isEmpty() || !bytes.endsWith("\r\n")) {
        return {name + QStringLiteral(" does not end with a whole line")};
    }
    for (const QByteArray& line : bytes.split('\n')) {
        if (!line.isEmpty() && !line.startsWith('[') && !line.contains('=')) {
            return {name + QStringLiteral(" holds a torn line: ") + QString::fromUtf8(line)};
        }
    }
    return {};
}

QStringList checkCategories(KillRun& run, const Steps& steps, long& lost) {
    const TestFolder& folder = run.folder();
    const QString path = folder.file(QStringLiteral("\\data\\category.dat"));
    QStringList problems =
        checkWhole(folder.read(QStringLiteral("\\data\\category.dat")), QStringLiteral("category.dat"));
    bool counted = false;
    const long total =
        keyfile::readValue(path, QStringLiteral("main"), QStringLiteral("total")).value_or(QString()).toLong(&counted);
    if (!counted) {
        problems << QStringLiteral("the category count is not a number");
    }
    QSet<QString> names;
    for (long key = 1; key <= total; ++key) {
        const std::optional<QString> name = keyfile::readValue(path, QStringLiteral("category"), QString::number(key));
        if (!name) {
            continue; // a count written before its name, by a step that was cut short
        }
        if (names.contains(*name)) {
            problems << QStringLiteral("category listed twice: ") + *name;
        }
        names.insert(*name);
    }
    QSet<QString> begun{killwork::kNoteCategory};
    for (const long id : steps.begun) {
        begun.insert(killwork::categoryName(id));
    }
    for (const QString& name : names) {
        if (!begun.contains(name)) {
            problems << QStringLiteral("unexpected category ") + name;
        }
    }
    lost = 0;
    for (const long id : steps.done) {
        if (!names.contains(killwork::categoryName(id))) {
            ++lost;
            problems << QStringLiteral("added category lost: ") + killwork::categoryName(id);
        }
    }
    problems << strayFiles(folder, {});
    return problems;
}

QStringList checkPreferences(KillRun& run, const Steps& steps, long& lost) {
    const TestFolder& folder = run.folder();
    QStringList problems =
        checkWhole(folder.read(QStringLiteral("\\data\\settings.dat")), QStringLiteral("settings.dat"));
    // The states each box may be in: the last one set, and those of every step cut short since.
    QSet<QString> allowed[3] = {{QStringLiteral("1")}, {QStringLiteral("0")}, {QStringLiteral("0")}};
    QList<long> ids = steps.begun.values();
    std::sort(ids.begin(), ids.end());
    for (const long id : ids) {
        const QStringList detail = steps.details.value(id);
        QSet<QString>& states = allowed[detail.value(0).toInt()];
        if (steps.done.contains(id)) {
            states.clear();
        }
        states.insert(detail.value(1));
    }
    lost = 0;
    const std::vector<std::optional<QString>> values =
        keyfile::readValues(folder.file(QStringLiteral("\\data\\settings.dat")), QStringLiteral("settings"),
                            {killwork::kPreferenceKeys[0], killwork::kPreferenceKeys[1], killwork::kPreferenceKeys[2]});
    for (int box = 0; box < 3; ++box) {
        const QString value = values[static_cast<std::size_t>(box)].value_or(QStringLiteral("missing"));
        if (!allowed[box].contains(value)) {
            ++lost;
            problems << QStringLiteral("%1 reads %2").arg(killwork::kPreferenceKeys[box], value);
        }
    }
    problems << strayFiles(folder, {});
    return problems;
}

// Backups and restores work on a folder of a few thousand notes, so that a kill can land in every stage.
int archiveNoteCount() {
    return figures::kSanitized ? 200 : 2000;
}

using Contents = QMap<QString, QByteArray>;

// Every file below folder by relative path, with its bytes.
Contents contentsOf(const QString& folder) {
    Contents files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(QDir(folder).relativeFilePath(path), file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
    }
    return files;
}

// The notes of one state of the data folder: every note file written anew, one record for each.
bool writeNotes(const TestFolder& folder, const QString& version) {
    const std::unique_ptr<NoteDatabase> db = NoteDatabase::open(folder.file(QStringLiteral("\\data\\data.mdb")));
    if (!db || !db->begin()) {
        return false;
    }
    for (int i = 0; i < archiveNoteCount(); ++i) {
        const QString path = QStringLiteral("\\data\\Note%1.txt").arg(i, 12, 10, QLatin1Char('0'));
        NoteRecord record;
        record.theCategory = killwork::kNoteCategory;
        record.theDescription = version + QString::number(i);
        record.thePath = path;
        folder.write(path, noteTextToFileBytes(QStringLiteral("%1 %2 ").arg(version).arg(i).repeated(8)));
        if (!db->add(record)) {
            return false;
        }
    }
    return db->commit();
}

// Names of the restore folders and unfinished archives left in the program folder or its backup folder.
QStringList leftovers(const TestFolder& folder) {
    return QDir(folder.path()).entryList({QStringLiteral(".restore-*")}, QDir::AllEntries | QDir::Hidden) +
           QDir(folder.file(QStringLiteral("\\backup")))
               .entryList({QStringLiteral("backup.dat-*")}, QDir::AllEntries | QDir::Hidden);
}

// The folder of notes is unchanged, and the archive is the old one or a new one, whole, holding exactly that folder.
QStringList checkBackups(KillRun& run, const Contents& data, long& lost) {
    const TestFolder& folder = run.folder();
    QStringList problems = leftovers(folder);
    if (contentsOf(folder.file(QStringLiteral("\\data"))) != data) {
        problems << QStringLiteral("the data folder changed");
    }
    const QString archive = folder.file(QStringLiteral("\\backup\\backup.dat"));
    QTemporaryDir unpacked;
    if (QFileInfo::exists(archive) &&
        (extractArchive(archive, unpacked.path(), 1 << 30).status != ExtractResult::Extracted ||
         contentsOf(unpacked.path()) != data)) {
        problems << QStringLiteral("the archive is not whole");
    }
    lost = problems.isEmpty() ? 0 : 1;
    // Each finished backup put a copy of the one before into the trash; emptied, so that the disk does not fill.
    QDir(folder.path() + QLatin1Char('/') + kShare + QStringLiteral("/Trash")).removeRecursively();
    return problems;
}

// The data folder is wholly the last archive restored, or wholly the one whose restore the kill cut short.
QStringList checkRestores(KillRun& run, const Steps& steps, const QMap<QString, Contents>& archives, long& lost) {
    const TestFolder& folder = run.folder();
    QStringList problems = leftovers(folder);
    long lastDone = -1;
    for (const long id : steps.done) {
        lastDone = std::max(lastDone, id);
    }
    // Every restore begun after the last finished one may have been finished by a later start-up, whichever kill
    // ended it.
    QStringList allowed{lastDone < 0 ? killwork::kArchiveNames[0] : steps.details.value(lastDone).value(0)};
    for (const long id : steps.begun) {
        if (id > lastDone && !steps.done.contains(id)) {
            allowed << steps.details.value(id).value(0);
        }
    }
    allowed.removeDuplicates();
    const Contents data = contentsOf(folder.file(QStringLiteral("\\data")));
    lost = std::numeric_limits<long>::max();
    for (const QString& name : allowed) {
        const Contents& expected = archives.value(name);
        long differing = 0;
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            differing += data.value(it.key()) == it.value() ? 0 : 1;
        }
        differing += data.size() - expected.size();
        lost = std::min(lost, differing);
    }
    if (lost != 0) {
        problems << QStringLiteral("%1 files are not as restored from %2")
                        .arg(lost)
                        .arg(allowed.join(QStringLiteral(" or ")));
    }
    return problems;
}

} // namespace

class TestKills : public QObject {
    Q_OBJECT

private slots:
    // What a crash can leave, as the start-up meets it: a committed note still under its pending name, a pending
    // note whose record was never committed, a key file's temporary copy; and a note file without a record that a
    // restore leaves on purpose.
    void startUpFinishesWhatACrashLeft() {
        TestWindow t;
        t.folder.makeData();
        const QString committed = QStringLiteral("\\data\\Committedxxxxxxx.txt");
        const QString abandoned = QStringLiteral("\\data\\Abandonedxxxxxxx.txt");
        const auto pending = [](const QString& note) {
            return QStringLiteral("\\data\\.pending\\") + note.section(QLatin1Char('\\'), -1);
        };
        const QString restored = QStringLiteral("\\data\\Restoredxxxxxxxx.txt");
        {
            const std::unique_ptr<NoteDatabase> db =
                NoteDatabase::open(t.folder.file(QStringLiteral("\\data\\data.mdb")));
            QVERIFY(db);
            NoteRecord record;
            record.theCategory = killwork::kNoteCategory;
            record.theDescription = QStringLiteral("committed");
            record.thePath = committed;
            QVERIFY(db->add(record));
        }
        t.folder.write(pending(committed), "kept\r\n");
        t.folder.write(pending(abandoned), "never saved\r\n");
        t.folder.write(restored, "from a backup\r\n");
        t.folder.write(QStringLiteral("\\data\\settings.dat.saving"), "[settings]\r\npop");
        QVERIFY(t.start());
        QCOMPARE(t.folder.read(committed), QByteArray("kept\r\n"));
        QCOMPARE(t.folder.read(restored), QByteArray("from a backup\r\n"));
        QVERIFY(!t.folder.exists(QStringLiteral("\\data\\.pending")));
        QVERIFY(!t.folder.exists(abandoned));
        QVERIFY(!t.folder.exists(QStringLiteral("\\data\\settings.dat.saving")));
        QCOMPARE(t.platform.unexpectedMessages(), 0);
    }

    void savesSurviveKills() { runKills(killwork::kSaves, checkSaves); }
    void categoryAddsSurviveKills() { runKills(killwork::kCategories, checkCategories); }
    void preferenceChangesSurviveKills() { runKills(killwork::kPreferences, checkPreferences); }
    void deletesSurviveKills() { runKills(killwork::kDeletes, checkDeletes); }

    void backupsSurviveKills() {
        Contents data;
        runKills(
            killwork::kBackups,
            [&data](KillRun& run, const Steps&, long& lost) { return checkBackups(run, data, lost); },
            [&data](KillRun& run) {
                if (!writeNotes(run.folder(), QStringLiteral("a"))) {
                    return -1;
                }
                data = contentsOf(run.folder().file(QStringLiteral("\\data")));
                QTemporaryDir scratch;
                QElapsedTimer clock;
                clock.start();
                writeFolderArchive(run.folder().file(QStringLiteral("\\data")),
                                   scratch.filePath(QStringLiteral("timed.dat")));
                return static_cast<int>(clock.elapsed());
            });
    }

    void restoresSurviveKills() {
        QMap<QString, Contents> archives;
        runKills(
            killwork::kRestores,
            [&archives](KillRun& run, const Steps& steps, long& lost) {
                return checkRestores(run, steps, archives, lost);
            },
            [&archives](KillRun& run) {
                const TestFolder& folder = run.folder();
                // Archive B differs from A in every file: each note, the database, the category and preference files.
                for (const QString& name : {killwork::kArchiveNames[1], killwork::kArchiveNames[0]}) {
                    folder.makeData();
                    if (!writeNotes(folder, name)) {
                        return -1;
                    }
                    folder.write(QStringLiteral("\\data\\category.dat"),
                                 "[main]\r\ntotal=1\r\n[category]\r\n1=" + killwork::kNoteCategory.toUtf8() + "\r\n; " +
                                     name.toUtf8() + "\r\n");
                    folder.write(QStringLiteral("\\data\\settings.dat"),
                                 "[settings]\r\npopup=" + QByteArray(name == killwork::kArchiveNames[0] ? "1" : "0") +
                                     "\r\n");
                    const QString archive = folder.file(QStringLiteral("\\archives\\") + name + QStringLiteral(".dat"));
                    QDir().mkpath(QFileInfo(archive).absolutePath());
                    if (!writeFolderArchive(folder.file(QStringLiteral("\\data")), archive)) {
                        return -1;
                    }
                    archives.insert(name, contentsOf(folder.file(QStringLiteral("\\data"))));
                }
                // Into a folder that is not empty, so that the files move one by one as they will in the worker.
                folder.write(QStringLiteral("\\archives\\timed\\kept.txt"), "kept");
                QElapsedTimer clock;
                clock.start();
                restoreData(folder.file(QStringLiteral("\\archives\\B.dat")),
                            folder.file(QStringLiteral("\\archives\\timed")), 1 << 30);
                QDir(folder.file(QStringLiteral("\\archives\\timed"))).removeRecursively();
                return static_cast<int>(clock.elapsed());
            });
    }

private:
    void runKills(const QString& mode, const std::function<QStringList(KillRun&, const Steps&, long&)>& check,
                  const std::function<int(KillRun&)>& prepare = {}) {
        KillRun run(mode);
        run.folder().makeData();
        run.folder().write(QStringLiteral("\\data\\category.dat"),
                           "[main]\r\ntotal=1\r\n[category]\r\n1=" + killwork::kNoteCategory.toUtf8() + "\r\n");
        const bool archives = mode == killwork::kBackups || mode == killwork::kRestores;
        // A Backup or Restore lasts as long as one of the folder takes here, and as long again for the rest of its
        // handler (the reload after a Restore) and for the busier worker: kills land anywhere in one.
        int latestKillMs = kLatestKillMs;
        if (prepare) {
            const int stepMs = prepare(run);
            QVERIFY(stepMs >= 0);
            latestKillMs = std::max(latestKillMs, 2 * stepMs);
        }
        QStringList ownPlaces{QStringLiteral("data"), QStringLiteral("worker.log"), kShare};
        if (archives) {
            ownPlaces << QStringLiteral("backup");
        }
        const FolderSnapshot before(run.folder().path(), ownPlaces);

        std::mt19937 random(std::random_device{}());
        std::uniform_int_distribution<int> delay(0, latestKillMs);
        const int kills = killCount();
        int survived = 0;
        long lostInAll = 0;
        int crashes = 0;
        QStringList firstProblems;
        for (int k = 0; k <= kills; ++k) {
            QString why;
            if (!run.start(k, why)) {
                ++crashes;
                firstProblems << QStringLiteral("start %1: %2 %3").arg(k).arg(why, readLog(run.log()).message);
                break;
            }
            // The start-up after kill k - 1 is over: what it left is what the user gets.
            if (k > 0) {
                long lost = 0;
                const QStringList problems = check(run, readLog(run.log()), lost);
                lostInAll += lost;
                survived += problems.isEmpty() ? 1 : 0;
                if (firstProblems.isEmpty() && !problems.isEmpty()) {
                    firstProblems = problems;
                    firstProblems.prepend(QStringLiteral("after kill %1:").arg(k));
                }
            }
            if (k == kills) {
                run.stop();
            } else if (!run.killAfter(std::chrono::milliseconds(delay(random)))) {
                ++crashes;
                firstProblems << QStringLiteral("the worker ended by itself: ") + readLog(run.log()).message;
                break;
            }
        }
        const QStringList outside = FolderSnapshot(run.folder().path(), ownPlaces).changesSince(before);

        figures::add(figures::kKills, kills);
        figures::add(figures::kKillsSurvived, survived);
        figures::add(figures::kNotesLost,
                     mode == killwork::kSaves || mode == killwork::kDeletes || archives ? lostInAll : 0);
        figures::add(figures::kCases, 1);
        figures::add(figures::kCrashes, crashes);
        figures::add(figures::kOutsideWrites, outside.size());
        const Steps steps = readLog(run.log());
        qInfo("%s: kills up to %d ms after the start of the work", qPrintable(mode), latestKillMs);
        qInfo("%s: %d kills, %d survived, %lld steps begun, %lld finished", qPrintable(mode), kills, survived,
              static_cast<long long>(steps.begun.size()), static_cast<long long>(steps.done.size()));
        QVERIFY2(firstProblems.isEmpty(), qPrintable(firstProblems.mid(0, 10).join(QLatin1Char('\n'))));
        QCOMPARE(lostInAll, 0L);
        QCOMPARE(survived, kills);
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QLatin1Char(' '))));
    }
};

QTEST_MAIN(TestKills)
#include "test_kills.moc"
