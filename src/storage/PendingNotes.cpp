#include "storage/PendingNotes.h"

#include "common/Files.h"
#include "storage/NoteDatabase.h"
#include "storage/NoteFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QString kPendingSuffix = QStringLiteral(".pending");

} // namespace

QString pendingNotePath(const QString& notePath) {
    return notePath + kPendingSuffix;
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

void FinishPendingNotes(const QString& programFolder) {
    const QDir data(ProgramPath(programFolder, QStringLiteral("\\data")));
    const QStringList pending =
        data.entryList({QStringLiteral("*.txt") + kPendingSuffix}, QDir::Files | QDir::Hidden | QDir::System);
    if (pending.isEmpty()) {
        return;
    }
    const std::unique_ptr<NoteDatabase> db =
        NoteDatabase::open(ProgramPath(programFolder, QStringLiteral("\\data\\data.mdb")));
    QSet<QString> committed;
    if (!db || !db->forEach([&committed](const NoteRecord& record) { committed.insert(record.thePath); })) {
        return;
    }
    for (const QString& name : pending) {
        const QString finalName = name.chopped(kPendingSuffix.size());
        const QString notePath = data.filePath(finalName);
        if (!committed.contains(QStringLiteral("\\data\\") + finalName)) {
            QFile::remove(data.filePath(name));
        } else if (!QFileInfo::exists(notePath)) {
            publishPendingNote(notePath);
        }
    }
}
