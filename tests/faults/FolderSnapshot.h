#pragma once

// What a folder tree held at one moment, to find writes where the program has no business writing.
#include <QMap>
#include <QString>
#include <QStringList>

class FolderSnapshot {
public:
    // Every entry below root except those below the skipped subfolders (relative paths); links are not followed.
    FolderSnapshot(const QString& root, const QStringList& skipped);
    // Entries made, removed or changed (size, time, mode or kind) since before, as relative paths.
    QStringList changesSince(const FolderSnapshot& before) const;

private:
    QMap<QString, QString> m_entries; // relative path -> kind, size, time and mode
};
