#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

struct FolderListing;
class Platform;
class WorkProgress;

enum class BackupResult { Done, Failed, Cancelled };

// Archives the folder directory into saveDirectory/fileName, making saveDirectory when it is missing. The new
// archive is written beside the old one, readable by its owner only, and made durable; only when it is complete does
// a copy of the old one go to the trash and the new one take its name in one step, so that whatever moment the
// program is killed at, one whole archive stands there. An old archive that cannot go to the trash is replaced all
// the same (the user has agreed to replace it). Failed or Cancelled leave an old archive as it was.
// With listing, the files are those listFolder found in directory just before.
BackupResult backupData(Platform& platform, const QString& directory, const QString& saveDirectory,
                        const QString& fileName, WorkProgress* progress = nullptr,
                        const FolderListing* listing = nullptr);

enum class RestoreResult { Restored, NotEnoughSpace, Failed, Cancelled };

// Puts the files of the archive backupFile back into the folder saveDirectory, replacing files of the same name;
// files the archive does not hold stay. The archive is checked whole, unpacked beside the folder and its database
// checked before anything moves, so that a refused, failed or cancelled restore leaves the folder as it was; once
// files move, a journal lets the next start finish a restore that a kill cut short (see RestoreJournal.h). The files
// are on the disk when this returns Restored. NotEnoughSpace when the files would unpack to more than bytesAvailable.
RestoreResult restoreData(const QString& backupFile, const QString& saveDirectory, std::int64_t bytesAvailable,
                          WorkProgress* progress = nullptr);

// The stages a Restore reports in its progress: unpacking, then moving the files into place.
constexpr int kUnpackingStage = 0;
constexpr int kPlacingStage = 1;

// Moves the files (relative paths) from the folder staged into target, replacing files there; the replaced ones are
// moved into displaced. Refuses, changing nothing, when a file would replace a folder or a path would pass through a
// link or a file. When a move fails, the moves already made are undone. The folders named are made in target.
// With a restore folder, its journal is written before the first move and removed by an undo; with progress, the
// moves start only if the work can still commit.
bool moveIntoPlace(const QString& staged, const QString& target, const QStringList& files, const QStringList& folders,
                   const QString& displaced, const QString& restoreFolder = {}, WorkProgress* progress = nullptr);
