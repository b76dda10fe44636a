#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// One file below a folder: its path relative to the folder (forward slashes), its full path and its length when
// listed.
struct FolderFile {
    QString relativePath;
    QString path;
    std::int64_t size = 0;
};

// Every plain file below folder, hidden ones and those in subfolders included, sorted by relative path. Links are not
// followed (they could lead anywhere outside the folder), nor listed. Entries whose names cannot be read as text
// (bytes that are not valid in the system's encoding) cannot be opened by name either: their relative paths, as far
// as they can be read, go to unnamed.
std::vector<FolderFile> listFolderFiles(const QString& folder, QStringList* unnamed = nullptr);

// What listFolderFiles finds below a folder, taken once for both the free-space check and the archive.
struct FolderListing {
    std::vector<FolderFile> files;
    QStringList unnamed;
    double size() const;
};
FolderListing listFolder(const QString& folder);

// The total length in bytes of the files listFolderFiles finds; 0 for an empty, missing or unreadable folder.
double GetFolderSize(const QString& path);

// The leading part of path up to and including its first "\" or "/"; empty when it has neither.
QString GetPathRoot(const QString& path);
