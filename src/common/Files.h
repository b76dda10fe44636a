#pragma once

#include <QString>

class Platform;

// Maps a stored suffix such as "\data\data.mdb" below the program folder to a native path.
// Stored values keep their backslashes, so a data folder moves between systems unchanged.
QString ProgramPath(const QString& programFolder, const QString& suffix);

// True when the file can be opened for reading; a file that exists but cannot be read counts as missing.
bool FileExists(const QString& path);
// True when anything stands at the path: a file of any kind, a folder, a link (also one that leads nowhere).
bool EntryExists(const QString& path);
// True when the path names a folder that holds at least one entry or can be listed.
bool DirExists(const QString& path);
// Copies source to destination when the source exists; false when it does not or the copy failed. Without
// overwrite, an existing destination is never replaced; a new file gets the permissions of any new file.
bool CopyFileIfPresent(const QString& source, const QString& destination, bool overwrite = false);
// Moves a file to the desktop's trash; true only when it reached a trash it can be restored from.
bool RecycleFile(Platform& platform, const QString& path, QString* reason = nullptr);
