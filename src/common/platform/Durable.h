#pragma once

#include <QString>

// Making finished work survive a power cut.

// Writes every changed file of the file system that holds path to the disk: one call for thousands of files, where
// syncing each one would cost a disk flush apiece. False when the disk reported an error.
bool syncFileSystem(const QString& path);

// Makes the entries of a folder (names added, renamed or removed) durable. False when that failed.
bool syncFolderEntries(const QString& folder);
