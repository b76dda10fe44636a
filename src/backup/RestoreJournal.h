#pragma once

#include <QString>
#include <QStringList>

// A restore works in a folder of its own beside the data folder, named ".restore-" and six random characters: the
// archive is unpacked into its "unpacked" folder and checked there, and only then does the journal ("journal", a list
// of every file and folder to put in place, written whole or not at all) make the restore final. A restore cut short
// before the journal exists has not touched the data folder, and its folder is removed at the next start; one cut
// short after it is finished at the next start from the journal. Files replaced while the restore runs wait in its
// "replaced" folder, so that a move that fails can be undone; they go with the restore's folder.

namespace restorejournal {

inline const QString kPrefix = QStringLiteral(".restore-");
inline const QString kUnpacked = QStringLiteral("unpacked");
inline const QString kReplaced = QStringLiteral("replaced");
inline const QString kJournal = QStringLiteral("journal");

// Writes the journal of a restore folder durably, the unpacked files with it. False when it could not be written.
bool write(const QString& restoreFolder, const QStringList& files, const QStringList& folders);

// Removes the journal durably: the restore folder no longer makes the restore final.
bool remove(const QString& restoreFolder);

} // namespace restorejournal

// Finishes or removes the restore folders that restores cut short left beside the data folder target: one with a
// journal has its remaining unpacked files moved into place, replacing the files there; one without is removed. A
// restore folder whose files cannot all be moved is kept for the next start.
void FinishInterruptedRestores(const QString& target);

// Removes the temporary archives ("backup.dat-" and six characters) that backups cut short left in backupFolder.
void RemoveUnfinishedBackups(const QString& backupFolder);
