#pragma once

// A folder for one fuzz target's files, in memory where the machine has /dev/shm, so that the synced writes of
// the code under test cost nothing.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

inline const QTemporaryDir& fuzzFolder() {
    static const QTemporaryDir folder(
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/scribbet-fuzz-XXXXXX"));
    return folder;
}

inline void writeWhole(const QString& path, const char* data, std::size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size)) {
        qFatal("cannot write %s", qPrintable(path));
    }
}
