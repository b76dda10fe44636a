#include "common/Files.h"

#include "common/platform/Platform.h"
#include "common/platform/SavingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ProgramPath(const QString& programFolder, const QString& suffix) {
    QString relative = suffix;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(programFolder + relative);
}

bool FileExists(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        return false;
    }
    return file.open(QIODevice::ReadOnly);
}

bool EntryExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool DirExists(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && QDir(path).isReadable();
}

bool CopyFileIfPresent(const QString& source, const QString& destination, bool overwrite) {
    QFile in(source);
    if (!QFileInfo(source).isFile() || !in.open(QIODevice::ReadOnly)) {
        return false;
    }
    if (!overwrite && EntryExists(destination)) {
        return false;
    }
    // Written beside the destination and renamed over it, so a failed copy never leaves half a file.
    SavingFile out(destination);
    if (!out.open()) {
        return false;
    }
    char buffer[65536];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        if (!out.write(buffer, n)) {
            return false;
        }
    }
    return out.commit();
}

bool RecycleFile(Platform& platform, const QString& path, QString* reason) {
    const TrashResult result = platform.moveToTrash(path);
    if (!result.ok && reason != nullptr) {
        *reason = result.reason;
    }
    return result.ok;
}
