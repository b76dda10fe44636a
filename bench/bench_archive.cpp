// Backup and restore of a data folder of 10,000 notes, each against Info-ZIP on the same folder in the same run:
// "zip -r -9 -q" for the backup, "unzip -o -q" into an empty folder for the restore.
#include "BenchWindow.h"
#include "Figures.h"

#include "backup/BackupRestore.h"
#include "backup/FolderSize.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace {

// A data folder as a year of notes leaves it: the database and 10,000 note files of a few lines to a few pages.
class NoteFolder {
public:
    NoteFolder() {
        benchdata::makeProgramFolder(m_dir.path(), 10'000, benchdata::NoteFiles::Everyone);
        if (backupData(m_platform, data(), backup(), QStringLiteral("backup.dat")) != BackupResult::Done) {
            std::abort();
        }
    }
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }
    QString backup() const { return m_dir.filePath(QStringLiteral("backup")); }
    QString archive() const { return m_dir.filePath(QStringLiteral("backup/backup.dat")); }
    QString scratch() const { return m_dir.filePath(QStringLiteral("scratch")); }
    Platform& platform() { return m_platform; }

private:
    QTemporaryDir m_dir;
    AnsweringPlatform m_platform;
};

NoteFolder& notes() {
    static NoteFolder& folder = makeFixture<NoteFolder>();
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

// An empty folder to unpack into, made before the timing starts.
QString emptyScratch() {
    QDir(notes().scratch()).removeRecursively();
    QDir().mkpath(notes().scratch());
    return notes().scratch();
}

// What Backup does once asked: measure the folder, write the archive beside the old one, put it in place.
void backup(benchmark::State& state) {
    NoteFolder& n = notes();
    const QString fresh = QStringLiteral("fresh.dat");
    QFile::remove(n.backup() + QLatin1Char('/') + fresh);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetFolderSize(n.data()));
        if (backupData(n.platform(), n.data(), n.backup(), fresh) != BackupResult::Done) {
            state.SkipWithError("backupData failed");
        }
    }
}

void zip(benchmark::State& state) {
    const QString target = notes().scratch() + QStringLiteral("/backup.zip");
    emptyScratch();
    for (auto _ : state) {
        run(state, "zip", "cd " + quoted(notes().data()) + " && zip -r -9 -q " + quoted(target) + " .");
    }
}

// What Restore does once asked: check and unpack the archive beside the data folder, move the files into place.
void restore(benchmark::State& state) {
    const QString data = emptyScratch() + QStringLiteral("/data");
    for (auto _ : state) {
        if (restoreData(notes().archive(), data, std::int64_t{1} << 40) != RestoreResult::Restored) {
            state.SkipWithError("restoreData failed");
        }
    }
}

void unzip(benchmark::State& state) {
    const QString data = emptyScratch() + QStringLiteral("/data");
    QDir().mkpath(data);
    for (auto _ : state) {
        run(state, "unzip", "unzip -o -q " + quoted(notes().archive()) + " -d " + quoted(data));
    }
}

const bool registered = [] {
    figures::reference("zip", "zip -r -9 -q", 7, zip);
    figures::compared("backup", "Backup, 10,000 notes", "zip", 1.0, 7, backup);
    figures::reference("unzip", "unzip -o -q", 7, unzip);
    figures::compared("restore", "Restore, 10,000 notes", "unzip", 1.0, 7, restore);
    return true;
}();

} // namespace
