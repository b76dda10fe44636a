#include "backup/FolderSize.h"

#include <QDir>
#include <QDirIterator>

#include <algorithm>

std::vector<FolderFile> listFolderFiles(const QString& folder) {
    std::vector<FolderFile> files;
    const QDir root(folder);
    // Without QDir::System only plain files (and links to them) are listed: devices, pipes and broken links are
    // nothing a backup could restore.
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        QFileInfo info = it.fileInfo();
        files.push_back({root.relativeFilePath(info.absoluteFilePath()), std::move(info)});
    }
    std::sort(files.begin(), files.end(),
              [](const FolderFile& a, const FolderFile& b) { return a.relativePath < b.relativePath; });
    return files;
}

double GetFolderSize(const QString& path) {
    double total = 0;
    for (const FolderFile& file : listFolderFiles(path)) {
        total += static_cast<double>(file.info.size());
    }
    return total;
}

QString GetPathRoot(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] == QLatin1Char('\\') || path[i] == QLatin1Char('/')) {
            return path.left(i + 1);
        }
    }
    return {};
}
