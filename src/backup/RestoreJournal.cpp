#include "backup/RestoreJournal.h"

#include "common/platform/Durable.h"
#include "common/platform/SavingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace {

const QByteArray kHeader = "scribbet restore journal 1";
const QByteArray kEnd = "end";

// A relative path as the journal gives it, or nothing when it is not one (the journal is read back from the disk).
std::optional<QString> relativePath(const QByteArray& encoded) {
    const QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(encoded));
    if (path.isEmpty() || path.startsWith(QLatin1Char('/'))) {
        return std::nullopt;
    }
    for (const QString& part : path.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QStringLiteral(".") || part == QStringLiteral("..")) {
            return std::nullopt;
        }
    }
    return path;
}

struct Journal {
    QStringList files;
    QStringList folders;
};

// The journal of a restore folder; nothing when it is missing or not whole.
std::optional<Journal> read(const QString& restoreFolder) {
    QFile file(QDir(restoreFolder).filePath(restorejournal::kJournal));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    // The last line is the empty one after the final line end.
    if (lines.size() < 3 || lines.first() != kHeader || lines[lines.size() - 2] != kEnd || !lines.last().isEmpty()) {
        return std::nullopt;
    }
    Journal journal;
    for (qsizetype i = 1; i < lines.size() - 2; ++i) {
        const QByteArray& line = lines[i];
        const std::optional<QString> path = relativePath(line.mid(2));
        if (!path || line.size() < 3 || line[1] != ' ' || (line[0] != 'f' && line[0] != 'd')) {
            return std::nullopt;
        }
        (line[0] == 'f' ? journal.files : journal.folders) << *path;
    }
    return journal;
}

bool isRestoreFolderName(const QString& name) {
    return name.size() == restorejournal::kPrefix.size() + 6 && name.startsWith(restorejournal::kPrefix);
}

} // namespace

namespace restorejournal {

bool write(const QString& restoreFolder, const QStringList& files, const QStringList& folders) {
    // The unpacked files reach the disk before the journal that makes them final.
    if (!syncFileSystem(restoreFolder)) {
        return false;
    }
    QByteArray text = kHeader + '\n';
    for (const QString& folder : folders) {
        text += "d " + folder.toUtf8().toPercentEncoding("/") + '\n';
    }
    for (const QString& file : files) {
        text += "f " + file.toUtf8().toPercentEncoding("/") + '\n';
    }
    text += kEnd + '\n';
    SavingFile journal(QDir(restoreFolder).filePath(kJournal));
    return journal.open() && journal.write(text) && journal.commit();
}

bool remove(const QString& restoreFolder) {
    return QFile::remove(QDir(restoreFolder).filePath(kJournal)) && syncFolderEntries(restoreFolder);
}

} // namespace restorejournal

void FinishInterruptedRestores(const QString& target) {
    const QDir parent = QFileInfo(target).absoluteDir();
    const QDir to(target);
    for (const QString& name : parent.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        if (!isRestoreFolderName(name)) {
            continue;
        }
        const QString restoreFolder = parent.filePath(name);
        const std::optional<Journal> journal = read(restoreFolder);
        if (journal) {
            const QDir unpacked(QDir(restoreFolder).filePath(restorejournal::kUnpacked));
            bool finished = QDir().mkpath(target);
            for (const QString& folder : journal->folders) {
                finished = to.mkpath(folder) && finished;
            }
            for (const QString& file : journal->files) {
                const QByteArray from = QFile::encodeName(unpacked.filePath(file));
                const QFileInfo moved(unpacked.filePath(file));
                if (!moved.exists() && !moved.isSymLink()) {
                    continue; // in place already
                }
                const QString path = to.filePath(file);
                // Over the file it replaces: one step, so that a kill here too leaves it to the next start.
                finished = QDir().mkpath(QFileInfo(path).absolutePath()) &&
                           std::rename(from.constData(), QFile::encodeName(path).constData()) == 0 && finished;
            }
            if (!finished || !syncFileSystem(target) || !restorejournal::remove(restoreFolder)) {
                continue;
            }
        }
        QDir(restoreFolder).removeRecursively();
    }
}

void RemoveUnfinishedBackups(const QString& backupFolder) {
    const QDir folder(backupFolder);
    for (const QString& name : folder.entryList({QStringLiteral("backup.dat-??????")},
                                                QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        QFile::remove(folder.filePath(name));
    }
}
