#include "common/platform/SavingFile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Makes the rename durable, as the contents are. Best effort: the file is in place either way.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

const QString SavingFile::kSuffix = QStringLiteral(".saving");

SavingFile::SavingFile(const QString& path) : m_path(path), m_temporary(path + kSuffix) {}

SavingFile::~SavingFile() {
    if (!m_committed) {
        m_temporary.close();
        m_temporary.remove();
    }
}

bool SavingFile::fail(const QString& why) {
    m_error = why;
    return false;
}

bool SavingFile::open() {
    const QFileInfo target(m_path);
    if (target.isDir()) {
        return fail(QStringLiteral("A folder stands in the way."));
    }
    // A leftover of an earlier, interrupted save goes first; made anew, the file cannot be a link to elsewhere.
    QFile::remove(m_temporary.fileName());
    if (!m_temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return fail(m_temporary.errorString());
    }
    if (target.exists() && !m_temporary.setPermissions(QFile::permissions(m_path))) {
        return fail(m_temporary.errorString());
    }
    return true;
}

bool SavingFile::write(const char* data, qint64 size) {
    return m_temporary.write(data, size) == size || fail(m_temporary.errorString());
}

bool SavingFile::commit() {
    if (!m_temporary.flush()) {
        return fail(m_temporary.errorString());
    }
    if (::fsync(m_temporary.handle()) != 0) {
        return fail(systemError());
    }
    m_temporary.close();
    if (m_temporary.error() != QFileDevice::NoError) {
        return fail(m_temporary.errorString());
    }
    if (std::rename(QFile::encodeName(m_temporary.fileName()).constData(), QFile::encodeName(m_path).constData()) !=
        0) {
        return fail(systemError());
    }
    m_committed = true;
    syncFolder(QFileInfo(m_path).absolutePath());
    return true;
}

void RemoveUnfinishedSaves(const QString& folder, const QStringList& names) {
    const QDir dir(folder);
    for (const QString& name : names) {
        QFile::remove(dir.filePath(name + SavingFile::kSuffix));
    }
}
