#include "backup/FolderSize.h"

#include <QDir>
#include <QFile>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<FolderFile> listFolderFiles(const QString& folder, QStringList* unnamed) {
    std::vector<FolderFile> files;
    // The folder's own entries, read by their bytes: Qt's listing passes over names that are not valid text.
    std::vector<QString> pending = {QString()};
    const QString root = QDir(folder).absolutePath();
    while (!pending.empty()) {
        const QString relative = pending.back();
        pending.pop_back();
        const QString path = relative.isEmpty() ? root : root + QLatin1Char('/') + relative;
        // A subfolder that a link replaced since it was seen is not entered.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC | (relative.isEmpty() ? 0 : O_NOFOLLOW));
        DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
        if (dir == nullptr) {
            if (fd >= 0) {
                ::close(fd);
            }
            continue;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..") {
                continue;
            }
            const QString text = QFile::decodeName(name);
            const QString entryPath = relative.isEmpty() ? text : relative + QLatin1Char('/') + text;
            if (QFile::encodeName(text) != name) {
                if (unnamed != nullptr) {
                    *unnamed << entryPath;
                }
                continue;
            }
            // Links are not followed; devices and pipes are nothing a backup could restore.
            struct stat status {};
            if (::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            if (S_ISDIR(status.st_mode)) {
                pending.push_back(entryPath);
            } else if (S_ISREG(status.st_mode)) {
                files.push_back({entryPath, root + QLatin1Char('/') + entryPath, status.st_size});
            }
        }
        ::closedir(dir);
    }
    std::sort(files.begin(), files.end(),
              [](const FolderFile& a, const FolderFile& b) { return a.relativePath < b.relativePath; });
    return files;
}

double FolderListing::size() const {
    double total = 0;
    for (const FolderFile& file : files) {
        total += static_cast<double>(file.size);
    }
    return total;
}

FolderListing listFolder(const QString& folder) {
    FolderListing listing;
    listing.files = listFolderFiles(folder, &listing.unnamed);
    return listing;
}

double GetFolderSize(const QString& path) {
    return FolderListing{listFolderFiles(path), {}}.size();
}

QString GetPathRoot(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] == QLatin1Char('\\') || path[i] == QLatin1Char('/')) {
            return path.left(i + 1);
        }
    }
    return {};
}
