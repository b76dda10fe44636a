#pragma once

#include <QFileInfo>
#include <QString>

#include <vector>

// One file below a folder: its path relative to the folder (forward slashes) and what was known of it when listed.
struct FolderFile {
    QString relativePath;
    QFileInfo info;
};

// Every file below folder, hidden ones and those in subfolders included, sorted by relative path. Links to files
// count as the files they lead to; linked folders are not entered, so a link loop cannot recur.
std::vector<FolderFile> listFolderFiles(const QString& folder);

// The total length in bytes of the files listFolderFiles finds; 0 for an empty, missing or unreadable folder.
double GetFolderSize(const QString& path);

// The leading part of path up to and including its first "\" or "/"; empty when it has neither.
QString GetPathRoot(const QString& path);
