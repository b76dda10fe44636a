#include "FolderSnapshot.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <sys/stat.h>

FolderSnapshot::FolderSnapshot(const QString& root, const QStringList& skipped) {
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = base.relativeFilePath(path);
        bool skip = false;
        for (const QString& folder : skipped) {
            skip = skip || relative == folder || relative.startsWith(folder + QLatin1Char('/'));
        }
        struct stat status {};
        if (skip || ::lstat(QFile::encodeName(path).constData(), &status) != 0) {
            continue;
        }
        m_entries.insert(relative, QStringLiteral("%1 %2 %3.%4")
                                       .arg(status.st_mode)
                                       .arg(status.st_size)
                                       .arg(status.st_mtim.tv_sec)
                                       .arg(status.st_mtim.tv_nsec));
    }
}

QStringList FolderSnapshot::changesSince(const FolderSnapshot& before) const {
    QStringList changes;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (before.m_entries.value(it.key()) != it.value()) {
            changes << it.key();
        }
    }
    for (auto it = before.m_entries.cbegin(); it != before.m_entries.cend(); ++it) {
        if (!m_entries.contains(it.key())) {
            changes << it.key();
        }
    }
    return changes;
}
