// Backup: the whole data folder into one zip archive, "\backup\backup.dat".
#include "app/FrmMain.h"
#include "backup/Archive.h"
#include "backup/BackupRestore.h"
#include "backup/FolderSize.h"
#include "backup/WaitCursor.h"
#include "common/Files.h"
#include "common/platform/Platform.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <cmath>

bool backupData(Platform& platform, const QString& directory, const QString& saveDirectory, const QString& fileName) {
    if (!DirExists(directory) || !QDir().mkpath(saveDirectory)) {
        return false;
    }
    // A temporary file is made for its owner only, and libzip keeps the mode of the file it writes over.
    QString staged;
    {
        QTemporaryFile file(QDir(saveDirectory).filePath(fileName + QStringLiteral("-XXXXXX")));
        if (!file.open()) {
            return false;
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
    if (!writeFolderArchive(directory, staged)) {
        return false;
    }
    const QString target = QDir(saveDirectory).filePath(fileName);
    const QFileInfo old(target);
    if ((old.exists() || old.isSymLink()) && !RecycleFile(platform, target)) {
        return false;
    }
    // QDir::rename never copies and never replaces: the archive appears whole or not at all.
    placed = QDir().rename(staged, target);
    return placed;
}

void FrmMain::mnuBackup_Click() {
    const QString title = QStringLiteral("Scribbet");
    if (FileExists(programPath(QStringLiteral("\\backup\\backup.dat"))) &&
        m_platform.messageBox(QStringLiteral("Are you sure you want to replace the existing backup file?"),
                              MsgStyle::OkCancelExclamation, title) == MsgAnswer::Cancel) {
        return;
    }
    // Every note operation opens and closes the database itself, so no recordset is left open to close here.
    enum class Outcome { NoSpace, Failed, Done };
    const Outcome outcome = [this] {
        // The hourglass lasts for the work only: the message box that follows waits for the user.
        const WaitCursor wait;
        // Asked for the program folder itself, not its root: on Linux the root may be another file system.
        const std::int64_t available = m_platform.bytesAvailable(m_programFolder);
        const QString data = programPath(QStringLiteral("\\data"));
        const auto needed = static_cast<std::int64_t>(std::llround(GetFolderSize(data)));
        if (available < 2 * needed) {
            return Outcome::NoSpace;
        }
        return backupData(m_platform, data, programPath(QStringLiteral("\\backup")), QStringLiteral("backup.dat"))
                   ? Outcome::Done
                   : Outcome::Failed;
    }();
    switch (outcome) {
    case Outcome::NoSpace:
        m_platform.messageBox(
            QStringLiteral("There is not enough available drive space on the drive to backup the database."),
            MsgStyle::Critical, title);
        break;
    case Outcome::Failed:
        m_platform.messageBox(QStringLiteral("An unknown error occurred while backing up the database"),
                              MsgStyle::Critical, title);
        break;
    case Outcome::Done:
        m_platform.messageBox(QStringLiteral("The database was backed up successfully."), MsgStyle::Information, title);
        mnuRestore->setEnabled(true);
        break;
    }
}
