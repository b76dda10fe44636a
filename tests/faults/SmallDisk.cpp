#include "SmallDisk.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Once per process: mounts made after this are seen by this process only and go when it ends.
bool privateMounts(QString& why) {
    static const int result = [] {
        if (::unshare(CLONE_NEWNS) != 0) {
            return errno;
        }
        return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 ? 0 : errno;
    }();
    if (result != 0) {
        why = QString::fromLocal8Bit(std::strerror(result));
    }
    return result == 0;
}

} // namespace

SmallDisk::SmallDisk(const QString& folder, std::int64_t size)
    : m_folder(folder), m_filler(folder + QStringLiteral("/.filler")) {
    if (!privateMounts(m_why)) {
        return;
    }
    // What the folder holds now, to be put back on the new file system.
    QMap<QString, QByteArray> files;
    QStringList folders;
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileInfo().isDir()) {
            folders << base.relativeFilePath(path);
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            files.insert(base.relativeFilePath(path), file.readAll());
        }
    }
    const QByteArray options = "size=" + QByteArray::number(static_cast<qlonglong>(size)) + ",mode=0700";
    if (::mount("scribbet-test", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) != 0) {
        m_why = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_mounted = true;
    for (const QString& path : folders) {
        base.mkpath(path);
    }
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        QFile out(base.filePath(file.key()));
        if (!out.open(QIODevice::WriteOnly) || out.write(file.value()) != file.value().size()) {
            m_why = QStringLiteral("cannot copy ") + file.key();
        }
    }
}

SmallDisk::~SmallDisk() {
    if (m_mounted) {
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
}

bool SmallDisk::fill() {
    const int fd = ::open(QFile::encodeName(m_filler).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    // Large blocks first, then single bytes, so that not even the last partial page is left.
    static const char block[65536] = {};
    for (std::size_t chunk = sizeof block; chunk > 0; chunk /= 2) {
        while (::write(fd, block, chunk) == static_cast<ssize_t>(chunk)) {
        }
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

void SmallDisk::empty() {
    QFile::remove(m_filler);
}

bool SmallDisk::setReadOnly(bool readOnly) {
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount(nullptr, QFile::encodeName(m_folder).constData(), nullptr, flags, nullptr) == 0;
}
