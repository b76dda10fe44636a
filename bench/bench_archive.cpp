// Backup and restore of data folders of 10,000 and 100,000 notes, each against Info-ZIP on the same folder in the
// same run: "zip -r -9 -q" for the backup; for the restore, "unzip -o -q" then "sync" (a Restore has its files on
// the disk before it reports success) over the folder as a user finds it when restoring: restored from the archive
// before, then a hundredth of its notes changed since.
#include "BenchWindow.h"
#include "Figures.h"

#include "backup/BackupRestore.h"
#include "backup/FolderSize.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace {

// A data folder as years of notes leave it: the database and a note file of a few lines to a few pages for each
// record, its archive, and the folder it is restored over.
class NoteFolder {
public:
    explicit NoteFolder(int notes) {
        benchdata::makeProgramFolder(m_dir.path(), notes, benchdata::NoteFiles::Everyone);
        if (backupData(m_platform, data(), backup(), QStringLiteral("backup.dat")) != BackupResult::Done ||
            restoreData(archive(), restored(), std::int64_t{1} << 40) != RestoreResult::Restored) {
            std::abort();
        }
        m_notes = QDir(restored()).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    }
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }
    QString backup() const { return m_dir.filePath(QStringLiteral("backup")); }
    QString archive() const { return m_dir.filePath(QStringLiteral("backup/backup.dat")); }
    QString restored() const { return m_dir.filePath(QStringLiteral("restored")); }
    QString scratch() const { return m_dir.filePath(QStringLiteral("scratch")); }
    Platform& platform() { return m_platform; }

    // Changes every hundredth note of the restored folder, as a user's work since the backup does; its files are on
    // the disk before the timing starts.
    void changeRestored() {
        for (qsizetype i = m_round++ % 100; i < m_notes.size(); i += 100) {
            QFile note(QDir(restored()).filePath(m_notes[i]));
            if (!note.open(QIODevice::WriteOnly | QIODevice::Append) || note.write("Changed since the backup.\n") < 0) {
                std::abort();
            }
        }
        std::system("sync");
    }

private:
    QTemporaryDir m_dir;
    AnsweringPlatform m_platform;
    QStringList m_notes;
    int m_round = 0;
};

template <int Notes> NoteFolder& notes() {
    static NoteFolder& folder = makeFixture<NoteFolder>(Notes);
    return folder;
}

std::string quoted(const QString& path) {
    return '\'' + path.toStdString() + '\'';
}

bool run(benchmark::State& state, const char* program, const std::string& command) {
    if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
        state.SkipWithError((std::string(program) + " is not installed").c_str());
        return false;
    }
    if (std::system(command.c_str()) != 0) {
        state.SkipWithError((std::string(program) + " failed").c_str());
        return false;
    }
    return true;
}

// What Backup does once asked: measure the folder, write the archive beside the old one, put it in place.
template <int Notes> void backup(benchmark::State& state) {
    NoteFolder& n = notes<Notes>();
    const QString fresh = QStringLiteral("fresh.dat");
    for (auto _ : state) {
        // What other benchmarks wrote goes to the disk first: Backup waits for its archive to be on the disk, and
        // would otherwise wait behind their writing too.
        state.PauseTiming();
        std::system("sync");
        state.ResumeTiming();
        const FolderListing listing = listFolder(n.data());
        benchmark::DoNotOptimize(listing.size());
        if (backupData(n.platform(), n.data(), n.backup(), fresh, nullptr, &listing) != BackupResult::Done) {
            state.SkipWithError("backupData failed");
        }
    }
}

template <int Notes> void zip(benchmark::State& state) {
    NoteFolder& n = notes<Notes>();
    QDir().mkpath(n.scratch());
    const QString target = n.scratch() + QStringLiteral("/backup.zip");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        std::system("sync");
        state.ResumeTiming();
        run(state, "zip", "cd " + quoted(n.data()) + " && zip -r -9 -q " + quoted(target) + " .");
    }
}

// What Restore does once asked: check the archive, unpack what differs beside the data folder, move it into place.
template <int Notes> void restore(benchmark::State& state) {
    NoteFolder& n = notes<Notes>();
    for (auto _ : state) {
        state.PauseTiming();
        n.changeRestored();
        state.ResumeTiming();
        if (restoreData(n.archive(), n.restored(), std::int64_t{1} << 40) != RestoreResult::Restored) {
            state.SkipWithError("restoreData failed");
        }
    }
}

template <int Notes> void unzip(benchmark::State& state) {
    NoteFolder& n = notes<Notes>();
    for (auto _ : state) {
        state.PauseTiming();
        n.changeRestored();
        state.ResumeTiming();
        run(state, "unzip", "unzip -o -q " + quoted(n.archive()) + " -d " + quoted(n.restored()) + " && sync");
    }
}

// The archive Backup made beside the one zip made of the same folder: at most 1.02 times its size.
template <int Notes> std::string archiveSize(const char* label) {
    const QFileInfo ours(notes<Notes>().archive());
    const QFileInfo theirs(notes<Notes>().scratch() + QStringLiteral("/backup.zip"));
    if (!ours.exists() || !theirs.exists() || theirs.size() == 0) {
        return {};
    }
    const double ratio = static_cast<double>(ours.size()) / static_cast<double>(theirs.size());
    return QStringLiteral("%1\t%2 MB\tratio <= 1.02\t%3 (zip -r -9 %4 MB)\t%5")
        .arg(QString::fromLatin1(label))
        .arg(static_cast<double>(ours.size()) / 1e6, 0, 'f', 2)
        .arg(ratio, 0, 'f', 3)
        .arg(static_cast<double>(theirs.size()) / 1e6, 0, 'f', 2)
        .arg(ratio <= 1.02 ? QStringLiteral("yes") : QStringLiteral("NO"))
        .toStdString();
}

const bool registered = [] {
    figures::reference("zip", "zip -r -9 -q", 7, zip<10'000>);
    figures::compared("backup", "Backup, 10,000 notes", "zip", 0.5, 7, backup<10'000>);
    figures::reference("unzip", "unzip -o -q, sync", 7, unzip<10'000>);
    figures::compared("restore", "Restore, 10,000 notes", "unzip", 0.7, 7, restore<10'000>);
    figures::reference("zip_100k", "zip -r -9 -q", 3, zip<100'000>);
    figures::compared("backup_100k", "Backup, 100,000 notes", "zip_100k", 0.5, 3, backup<100'000>);
    figures::reference("unzip_100k", "unzip -o -q, sync", 3, unzip<100'000>);
    figures::compared("restore_100k", "Restore, 100,000 notes", "unzip_100k", 0.7, 3, restore<100'000>);
    figures::afterwards([] { return archiveSize<10'000>("Archive size, 10,000 notes"); });
    figures::afterwards([] { return archiveSize<100'000>("Archive size, 100,000 notes"); });
    return true;
}();

} // namespace
