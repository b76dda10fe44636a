// Restore: the files of "\backup\backup.dat" back into the data folder, then the window reloaded from them.
#include "app/FrmMain.h"
#include "backup/Archive.h"
#include "backup/BackupRestore.h"
#include "backup/WaitCursor.h"
#include "common/Files.h"
#include "common/platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>
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
                   const QString& displaced) {
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

    struct Move {
        QString path;
        QString replaced; // where the file it replaced went; empty when there was none
    };
    std::vector<Move> moves;
    const auto undo = [&moves] {
        for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
            QFile::remove(it->path);
            if (!it->replaced.isEmpty()) {
                QDir().rename(it->replaced, it->path);
            }
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
        Move move{path, {}};
        if (present[static_cast<std::size_t>(i)]) {
            move.replaced = QDir(displaced).absoluteFilePath(QString::number(i));
            if (!QDir().rename(path, move.replaced)) {
                return undo();
            }
        }
        // Never over a file: one that appeared since the check makes the restore fail and undo itself.
        if (!QDir().rename(from.absoluteFilePath(files[i]), path)) {
            if (!move.replaced.isEmpty()) {
                QDir().rename(move.replaced, path);
            }
            return undo();
        }
        moves.push_back(move);
    }
    return true;
}

RestoreResult restoreData(const QString& backupFile, const QString& saveDirectory, std::int64_t bytesAvailable) {
    const QString target = QDir(saveDirectory).absolutePath();
    // Beside the data folder, on the same file system, so that the files move into place by renaming. The staging
    // folder goes when this returns, with the replaced files in it.
    const QTemporaryDir staging(QFileInfo(target).absolutePath() + QStringLiteral("/.restore-XXXXXX"));
    const QString unpacked = staging.filePath(QStringLiteral("unpacked"));
    const QString replaced = staging.filePath(QStringLiteral("replaced"));
    if (!staging.isValid() || !QDir().mkpath(unpacked) || !QDir().mkpath(replaced) || !QDir().mkpath(target)) {
        return RestoreResult::Failed;
    }
    const ExtractResult extracted = extractArchive(backupFile, unpacked, bytesAvailable);
    if (extracted.status == ExtractResult::TooLarge) {
        return RestoreResult::NotEnoughSpace;
    }
    if (extracted.status != ExtractResult::Extracted) {
        return RestoreResult::Failed;
    }
    // An empty data folder (a first restore, or one into a folder made anew) takes the unpacked folder whole: one
    // rename, all or nothing, instead of one for every note.
    if (isEmptyFolder(target) &&
        ::rename(QFile::encodeName(unpacked).constData(), QFile::encodeName(target).constData()) == 0) {
        return RestoreResult::Restored;
    }
    return moveIntoPlace(unpacked, target, extracted.files, extracted.folders, replaced) ? RestoreResult::Restored
                                                                                         : RestoreResult::Failed;
}

void FrmMain::mnuRestore_Click() {
    const QString title = QStringLiteral("Scribbet");
    // Every note operation opens and closes the database itself, so none is open here to close.
    if (m_platform.messageBox(
            QStringLiteral("Are you sure you want to restore the database from your previous backup?"),
            MsgStyle::OkCancelExclamation, title) == MsgAnswer::Cancel) {
        return;
    }
    enum class Outcome { Missing, NoSpace, Failed, Restored };
    const Outcome outcome = [this] {
        // The hourglass lasts for the work only: the message box that follows waits for the user.
        const WaitCursor wait;
        const QString archive = programPath(QStringLiteral("\\backup\\backup.dat"));
        if (!FileExists(archive)) {
            return Outcome::Missing;
        }
        const QString data = programPath(QStringLiteral("\\data"));
        if (!DirExists(data)) {
            QDir().mkpath(data);
        }
        // Asked for the program folder itself, not its root: on Linux the root may be another file system.
        const std::int64_t available = m_platform.bytesAvailable(m_programFolder);
        if (available < 2 * QFileInfo(archive).size()) {
            return Outcome::NoSpace;
        }
        switch (restoreData(archive, data, available)) {
        case RestoreResult::NotEnoughSpace:
            return Outcome::NoSpace;
        case RestoreResult::Failed:
            return Outcome::Failed;
        case RestoreResult::Restored:
            break;
        }
        return Outcome::Restored;
    }();
    switch (outcome) {
    case Outcome::Missing:
        m_platform.messageBox(QStringLiteral("The backup file is missing or you have not done a backup."),
                              MsgStyle::Critical, title);
        return;
    case Outcome::NoSpace:
        m_platform.messageBox(QStringLiteral("There is not enough available drive space to restore the database."),
                              MsgStyle::Critical, title);
        return;
    case Outcome::Failed:
        // The data folder is as it was before: nothing was moved into place, or every move was undone.
        m_platform.messageBox(QStringLiteral("The database could not be restored from the backup file."),
                              MsgStyle::Critical, title);
        return;
    case Outcome::Restored:
        break;
    }
    m_platform.messageBox(QStringLiteral("The database was restored successfully."), MsgStyle::Information, title);
    const WaitCursor wait;
    FillCategoryBox();
    LoadNoteList();
    LoadSettings();
}
