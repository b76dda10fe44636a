#include "common/platform/Durable.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool syncOpened(const QString& path, int flags, int (*sync)(int)) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = sync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

} // namespace

bool syncFileSystem(const QString& path) {
    return syncOpened(path, O_RDONLY, ::syncfs);
}

bool syncFolderEntries(const QString& folder) {
    return syncOpened(folder, O_RDONLY | O_DIRECTORY, ::fsync);
}
