#include "storage/PendingNotes.h"

#include "common/Files.h"
#include "storage/NoteDatabase.h"
#include "storage/NoteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const QString kPendingFolder = QStringLiteral(".pending");

} // namespace

QString pendingNotePath(const QString& notePath) {
    const QFileInfo note(notePath);
    return note.dir().filePath(kPendingFolder + QLatin1Char('/') + note.fileName());
}

bool preparePendingFolder(const QString& notePath, QString* error) {
    const QDir data = QFileInfo(notePath).dir();
    const QFileInfo folder(data.filePath(kPendingFolder));
    // Notes go nowhere a link would lead them.
    if (folder.isDir() && !folder.isSymLink()) {
        return true;
    }
    if (folder.isSymLink() || !data.mkdir(kPendingFolder)) {
        if (error != nullptr) {
            *error = QStringLiteral("The folder for notes being saved could not be made.");
        }
        return false;
    }
    // A pending file is only as durable as the folder that holds it.
    syncFolder(data.absolutePath());
    return true;
}

bool publishPendingNote(const QString& notePath, QString* error) {
    const QFileInfo target(notePath);
    if (target.exists() || target.isSymLink()) {
        if (error != nullptr) {
            *error = QStringLiteral("The note file exists already.");
        }
        return false;
    }
    if (!QDir().rename(pendingNotePath(notePath), notePath)) {
        if (error != nullptr) {
            *error = QStringLiteral("The note file could not be renamed.");
        }
        return false;
    }
    syncFolder(target.absolutePath());
    return true;
}

bool setAsidePendingNote(const QString& notePath, QString* error) {
    if (!preparePendingFolder(notePath, error)) {
        return false;
    }
    const QString pending = pendingNotePath(notePath);
    QFile::remove(pending);
    if (!QDir().rename(notePath, pending)) {
        if (error != nullptr) {
            *error = QStringLiteral("The note file could not be renamed.");
        }
        return false;
    }
    syncFolder(QFileInfo(pending).absolutePath());
    syncFolder(QFileInfo(notePath).absolutePath());
    return true;
}

void FinishPendingNotes(const QString& programFolder) {
    QDir data(ProgramPath(programFolder, QStringLiteral("\\data")));
    const QDir pendingFolder(data.filePath(kPendingFolder));
    if (!QFileInfo(pendingFolder.path()).isDir() || QFileInfo(pendingFolder.path()).isSymLink()) {
        return;
    }
    const QStringList pending = pendingFolder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    if (!pending.isEmpty()) {
        const std::unique_ptr<NoteDatabase> db =
            NoteDatabase::open(ProgramPath(programFolder, QStringLiteral("\\data\\data.mdb")));
        QSet<QString> committed;
        if (!db || !db->forEach([&committed](const NoteRecord& record) { committed.insert(record.thePath); })) {
            return;
        }
        for (const QString& name : pending) {
            const QString notePath = data.filePath(name);
            if (!committed.contains(QStringLiteral("\\data\\") + name)) {
                QFile::remove(pendingFolder.filePath(name));
            } else if (!QFileInfo::exists(notePath)) {
                publishPendingNote(notePath);
            }
        }
    }
    // Fails, harmlessly, while anything is left in it.
    data.rmdir(kPendingFolder);
}
