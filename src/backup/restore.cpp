// Restore: the files of "\backup\backup.dat" back into the data folder, then the window reloaded from them.
#include "app/FrmMain.h"
#include "backup/Archive.h"
#include "backup/BackupRestore.h"
#include "backup/RestoreJournal.h"
#include "backup/WaitCursor.h"
#include "backup/WorkProgress.h"
#include "common/Files.h"
#include "common/platform/Durable.h"
#include "common/platform/Platform.h"
#include "storage/NoteDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace {

enum class Kind { Missing, Folder, Other };

// What lies at path, links not followed: one system call, which matters with thousands of notes.
Kind kindAt(const QString& path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        return Kind::Missing;
    }
    return S_ISDIR(status.st_mode) ? Kind::Folder : Kind::Other;
}

// A real folder (not a link to one) that holds nothing.
bool isEmptyFolder(const QString& path) {
    return kindAt(path) == Kind::Folder &&
           QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

bool moveIntoPlace(const QString& staged, const QString& target, const QStringList& files, const QStringList& folders,
                   const QString& displaced, const QString& restoreFolder, WorkProgress* progress) {
    const QDir from(staged);
    const QDir to(target);
    // Every existing part of a path must be a real folder (a link could lead outside the target), and a file may
    // replace a file or a link but never a folder. Each folder is looked at once, however many files it holds.
    QSet<QString> realFolders;
    const auto placeable = [&to, &realFolders](const QString& relative, bool folder, Kind& last) {
        const QStringList parts = relative.split(QLatin1Char('/'));
        QString path = to.absolutePath();
        for (qsizetype i = 0; i < parts.size(); ++i) {
            path += QLatin1Char('/') + parts[i];
            const bool isLast = i == parts.size() - 1;
            if (!isLast && realFolders.contains(path)) {
                continue;
            }
            const Kind kind = kindAt(path);
            if (isLast) {
                last = kind;
                return kind == Kind::Missing || (kind == Kind::Folder) == folder;
            }
            if (kind == Kind::Missing) {
                last = Kind::Missing;
                return true;
            }
            if (kind != Kind::Folder) {
                return false;
            }
            realFolders.insert(path);
        }
        return true;
    };
    Kind kind = Kind::Missing;
    for (const QString& folder : folders) {
        if (!placeable(folder, true, kind)) {
            return false;
        }
    }
    std::vector<bool> present(static_cast<std::size_t>(files.size()));
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (!placeable(files[i], false, kind)) {
            return false;
        }
        present[static_cast<std::size_t>(i)] = kind != Kind::Missing;
    }
    // From here on the restore is final: a kill leaves it to the next start to finish from the journal.
    if (progress != nullptr && !progress->commit()) {
        return false;
    }
    if (!restoreFolder.isEmpty() && !restorejournal::write(restoreFolder, files, folders)) {
        return false;
    }
    if (progress != nullptr) {
        progress->startStage(kPlacingStage, static_cast<int>(files.size()));
    }

    struct Move {
        QString path;
        QString from;
        QString replaced; // where the file it replaced went; empty when there was none
    };
    std::vector<Move> moves;
    // Each new file goes back where it was unpacked, so that until the journal is gone every file is either in
    // place or still to be moved, whatever moment a kill comes at.
    const auto undo = [&moves, &restoreFolder] {
        for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
            QDir().rename(it->path, it->from);
            if (!it->replaced.isEmpty()) {
                QDir().rename(it->replaced, it->path);
            }
        }
        if (!restoreFolder.isEmpty()) {
            restorejournal::remove(restoreFolder);
        }
        return false;
    };
    QSet<QString> made = {QString()};
    for (const QString& folder : folders) {
        if (!to.mkpath(folder)) {
            return undo();
        }
        made.insert(folder);
    }
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString path = to.absoluteFilePath(files[i]);
        const qsizetype slash = files[i].lastIndexOf(QLatin1Char('/'));
        const QString folder = slash < 0 ? QString() : files[i].left(slash);
        if (!made.contains(folder)) {
            if (!to.mkpath(folder)) {
                return undo();
            }
            made.insert(folder);
        }
        Move move{path, from.absoluteFilePath(files[i]), {}};
        if (present[static_cast<std::size_t>(i)]) {
            move.replaced = QDir(displaced).absoluteFilePath(QString::number(i));
            if (!QDir().rename(path, move.replaced)) {
                return undo();
            }
        }
        // Never over a file: one that appeared since the check makes the restore fail and undo itself.
        if (!QDir().rename(move.from, path)) {
            if (!move.replaced.isEmpty()) {
                QDir().rename(move.replaced, path);
            }
            return undo();
        }
        moves.push_back(move);
        if (progress != nullptr) {
            progress->fileDone();
        }
    }
    return true;
}

RestoreResult restoreData(const QString& backupFile, const QString& saveDirectory, std::int64_t bytesAvailable,
                          WorkProgress* progress) {
    const QString target = QDir(saveDirectory).absolutePath();
    // Beside the data folder, on the same file system, so that the files move into place by renaming. Whatever this
    // returns, the restore folder goes with the replaced files in it; one that a kill leaves is the next start's.
    QTemporaryDir staging(QFileInfo(target).absolutePath() + QLatin1Char('/') + restorejournal::kPrefix +
                          QStringLiteral("XXXXXX"));
    const QString unpacked = staging.filePath(restorejournal::kUnpacked);
    const QString replaced = staging.filePath(restorejournal::kReplaced);
    if (!staging.isValid() || !QDir().mkpath(unpacked) || !QDir().mkpath(replaced) || !QDir().mkpath(target)) {
        return RestoreResult::Failed;
    }
    // Notes the folder holds already as the archive has them are left where they are: restoring a recent backup
    // then writes only what changed since.
    const ExtractResult extracted = extractArchive(backupFile, unpacked, bytesAvailable, progress, target);
    switch (extracted.status) {
    case ExtractResult::Extracted:
        break;
    case ExtractResult::TooLarge:
        return RestoreResult::NotEnoughSpace;
    case ExtractResult::Cancelled:
        return RestoreResult::Cancelled;
    case ExtractResult::Refused:
    case ExtractResult::Failed:
        return RestoreResult::Failed;
    }
    // A database that the program could not use would make every later save fail: such an archive is refused.
    if (extracted.files.contains(QStringLiteral("data.mdb")) &&
        !NoteDatabase::open(QDir(unpacked).filePath(QStringLiteral("data.mdb")))) {
        return RestoreResult::Failed;
    }
    if (progress != nullptr && progress->cancelled()) {
        return RestoreResult::Cancelled;
    }
    // An empty data folder (a first restore, or one into a folder made anew) takes the unpacked folder whole: one
    // rename, all or nothing, instead of one for every note.
    if (isEmptyFolder(target) && syncFileSystem(unpacked) && (progress == nullptr || progress->commit()) &&
        ::rename(QFile::encodeName(unpacked).constData(), QFile::encodeName(target).constData()) == 0) {
        syncFolderEntries(QFileInfo(target).absolutePath());
        return RestoreResult::Restored;
    }
    if (progress != nullptr && progress->cancelled()) {
        return RestoreResult::Cancelled;
    }
    if (!moveIntoPlace(unpacked, target, extracted.files, extracted.folders, replaced, staging.path(), progress)) {
        return progress != nullptr && progress->cancelled() ? RestoreResult::Cancelled : RestoreResult::Failed;
    }
    // The files are on the disk before success is shown; then the journal is done with.
    if (!syncFileSystem(target)) {
        return RestoreResult::Failed;
    }
    restorejournal::remove(staging.path());
    return RestoreResult::Restored;
}

void FrmMain::mnuRestore_Click() {
    const QString title = QStringLiteral("Scribbet");
    // Every note operation opens and closes the database itself, so none is open here to close.
    if (m_platform.messageBox(
            QStringLiteral("Are you sure you want to restore the database from your previous backup?"),
            MsgStyle::OkCancelExclamation, title) == MsgAnswer::Cancel) {
        return;
    }
    enum Outcome { Missing, NoSpace, Failed, Restored, Cancelled };
    // The hourglass lasts for the work only: the message box that follows waits for the user.
    std::optional<WaitCursor> wait(std::in_place);
    const QString archive = programPath(QStringLiteral("\\backup\\backup.dat"));
    const QString data = programPath(QStringLiteral("\\data"));
    int outcome = Missing;
    if (FileExists(archive)) {
        if (!DirExists(data)) {
            QDir().mkpath(data);
        }
        // Asked for the program folder itself, not its root: on Linux the root may be another file system.
        const std::int64_t available = m_platform.bytesAvailable(m_programFolder);
        outcome = available < 2 * QFileInfo(archive).size()
                      ? NoSpace
                      : runLongWork({QStringLiteral("Restoring the database..."),
                                     QStringLiteral("Putting the restored files in place...")},
                                    [&](WorkProgress& progress) {
                                        switch (restoreData(archive, data, available, &progress)) {
                                        case RestoreResult::NotEnoughSpace:
                                            return NoSpace;
                                        case RestoreResult::Failed:
                                            return Failed;
                                        case RestoreResult::Cancelled:
                                            return Cancelled;
                                        case RestoreResult::Restored:
                                            break;
                                        }
                                        return Restored;
                                    });
    }
    wait.reset();
    if (endAfterLongWork()) {
        return;
    }
    switch (outcome) {
    case Missing:
        m_platform.messageBox(QStringLiteral("The backup file is missing or you have not done a backup."),
                              MsgStyle::Critical, title);
        break;
    case NoSpace:
        m_platform.messageBox(QStringLiteral("There is not enough available drive space to restore the database."),
                              MsgStyle::Critical, title);
        break;
    case Failed:
        // The data folder is as it was before: nothing was moved into place, or every move was undone.
        m_platform.messageBox(QStringLiteral("The database could not be restored from the backup file."),
                              MsgStyle::Critical, title);
        break;
    case Restored: {
        m_platform.messageBox(QStringLiteral("The database was restored successfully."), MsgStyle::Information, title);
        const WaitCursor reloading;
        FillCategoryBox();
        LoadNoteList();
        LoadSettings();
        break;
    }
    default:
        // Cancelled: the data folder is as it was, and nothing is said.
        break;
    }
    answerCloseRequest();
}
