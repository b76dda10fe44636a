#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class Platform;

// Archives the folder directory into saveDirectory/fileName, making saveDirectory when it is missing. The new
// archive is written beside the old one, readable by its owner only; only when it is complete does the old one go
// to the trash and the new one take its place. False when anything failed; an old archive is then still in place.
bool backupData(Platform& platform, const QString& directory, const QString& saveDirectory, const QString& fileName);

enum class RestoreResult { Restored, NotEnoughSpace, Failed };

// Puts the files of the archive backupFile back into the folder saveDirectory, replacing files of the same name;
// files the archive does not hold stay. The archive is checked whole and unpacked beside the folder first, so that a
// refused or failed restore leaves the folder as it was. NotEnoughSpace when the files would unpack to more than
// bytesAvailable.
RestoreResult restoreData(const QString& backupFile, const QString& saveDirectory, std::int64_t bytesAvailable);

// Moves the files (relative paths) from the folder staged into target, replacing files there; the replaced ones are
// moved into displaced. Refuses, changing nothing, when a file would replace a folder or a path would pass through a
// link or a file. When a move fails, the moves already made are undone. The folders named are made in target.
bool moveIntoPlace(const QString& staged, const QString& target, const QStringList& files, const QStringList& folders,
                   const QString& displaced);
