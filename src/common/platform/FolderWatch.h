#pragma once

#include <QString>
#include <QStringList>

// Tells which files of one folder were written, made, renamed or removed since it was last asked, by anyone. Asking
// never waits. When the system lost track (too many changes at once, the folder itself replaced or removed), lostTrack
// says so and every file must be looked at again; the watch then starts afresh on the folder now at that path.
class FolderWatch {
public:
    explicit FolderWatch(const QString& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    struct Changes {
        QStringList names; // file names within the folder, each at most once
        bool lostTrack = false;
    };
    Changes take();

private:
    bool watch();

    QString m_folder;
    int m_fd = -1;
    int m_watch = -1;
};
