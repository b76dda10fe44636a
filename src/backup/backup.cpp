// Backup: the whole data folder into one zip archive, "\backup\backup.dat".
#include "app/FrmMain.h"
#include "backup/Archive.h"
#include "backup/BackupRestore.h"
#include "backup/FolderSize.h"
#include "backup/WaitCursor.h"
#include "backup/WorkProgress.h"
#include "common/Files.h"
#include "common/platform/Durable.h"
#include "common/platform/Platform.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <cmath>
#include <cstdio>
#include <optional>

BackupResult backupData(Platform& platform, const QString& directory, const QString& saveDirectory,
                        const QString& fileName, WorkProgress* progress, const FolderListing* listing) {
    if (!DirExists(directory) || !QDir().mkpath(saveDirectory)) {
        return BackupResult::Failed;
    }
    // A temporary file is made for its owner only, and libzip keeps the mode of the file it writes over. Its name
    // ("backup.dat-" and six characters) tells the next start to remove it should a kill leave it.
    QString staged;
    {
        QTemporaryFile file(QDir(saveDirectory).filePath(fileName + QStringLiteral("-XXXXXX")));
        if (!file.open()) {
            return BackupResult::Failed;
        }
        file.setAutoRemove(false);
        staged = file.fileName();
    }
    bool placed = false;
    const auto removeStaged = qScopeGuard([&] {
        if (!placed) {
            QFile::remove(staged);
        }
    });
    const bool written = writeFolderArchive(directory, staged, nullptr, progress, listing);
    if (progress != nullptr && progress->cancelled()) {
        return BackupResult::Cancelled;
    }
    // The new archive is on the disk (writeFolderArchive synced it) before it takes the old one's name.
    if (!written || (progress != nullptr && !progress->commit())) {
        return progress != nullptr && progress->cancelled() ? BackupResult::Cancelled : BackupResult::Failed;
    }
    const QString target = QDir(saveDirectory).filePath(fileName);
    const QFileInfo old(target);
    // The old archive stays in place while its copy goes to the trash; where no trash takes it (another file system
    // than the home folder's), it is replaced all the same, as the user agreed.
    if (old.exists() || old.isSymLink()) {
        platform.copyToTrash(target);
    }
    // One step: a kill before it leaves the old archive, one after it the new one.
    placed = ::rename(QFile::encodeName(staged).constData(), QFile::encodeName(target).constData()) == 0;
    if (!placed) {
        return BackupResult::Failed;
    }
    syncFolderEntries(saveDirectory);
    return BackupResult::Done;
}

void FrmMain::mnuBackup_Click() {
    const QString title = QStringLiteral("Scribbet");
    if (FileExists(programPath(QStringLiteral("\\backup\\backup.dat"))) &&
        m_platform.messageBox(QStringLiteral("Are you sure you want to replace the existing backup file?"),
                              MsgStyle::OkCancelExclamation, title) == MsgAnswer::Cancel) {
        return;
    }
    // Every note operation opens and closes the database itself, so no recordset is left open to close here.
    enum Outcome { NoSpace, Failed, Done, Cancelled };
    // Asked for the program folder itself, not its root: on Linux the root may be another file system.
    const std::int64_t available = m_platform.bytesAvailable(m_programFolder);
    const QString data = programPath(QStringLiteral("\\data"));
    const QString backupFolder = programPath(QStringLiteral("\\backup"));
    // The hourglass lasts for the work only: the message box that follows waits for the user.
    std::optional<WaitCursor> wait(std::in_place);
    const int outcome = runLongWork({QStringLiteral("Backing up the database...")}, [&](WorkProgress& progress) {
        // One listing serves the space check and the archive: with a hundred thousand notes a second one cost a
        // tenth of the Backup.
        const FolderListing listing = listFolder(data);
        const auto needed = static_cast<std::int64_t>(std::llround(listing.size()));
        if (progress.cancelled()) {
            return Cancelled;
        }
        if (available < 2 * needed) {
            return NoSpace;
        }
        switch (backupData(m_platform, data, backupFolder, QStringLiteral("backup.dat"), &progress, &listing)) {
        case BackupResult::Done:
            return Done;
        case BackupResult::Cancelled:
            return Cancelled;
        case BackupResult::Failed:
            break;
        }
        return Failed;
    });
    wait.reset();
    if (endAfterLongWork()) {
        return;
    }
    switch (outcome) {
    case NoSpace:
        m_platform.messageBox(
            QStringLiteral("There is not enough available drive space on the drive to backup the database."),
            MsgStyle::Critical, title);
        break;
    case Failed:
        m_platform.messageBox(QStringLiteral("An unknown error occurred while backing up the database"),
                              MsgStyle::Critical, title);
        break;
    case Done:
        m_platform.messageBox(QStringLiteral("The database was backed up successfully."), MsgStyle::Information, title);
        mnuRestore->setEnabled(true);
        break;
    default:
        // Cancelled: the old archive is as it was, and nothing is said.
        break;
    }
    answerCloseRequest();
}
