#include "common/platform/DesktopTrash.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray parentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray join(const QByteArray& folder, const QByteArray& name) {
    return folder == "/" ? "/" + name : folder + '/' + name;
}

void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Makes a folder that only its owner can enter, when it is missing. True when the path then names a folder of
// this user; a link to one counts only where followLink says so (the user's own home trash may be a link, the
// folders of a shared top folder must not be).
bool makeOwnFolder(const QByteArray& path, bool followLink) {
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat st {};
    const int found = followLink ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st);
    return found == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

// Like mkdir -p, new folders private to the user as the user's data folder should be.
bool makePath(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    if (errno != ENOENT || path == "/" || !makePath(parentOf(path))) {
        return false;
    }
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

QByteArray dataHome() {
    QByteArray folder = qgetenv("XDG_DATA_HOME");
    if (!folder.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/')) {
            return {};
        }
        folder = home + "/.local/share";
    }
    while (folder.size() > 1 && folder.endsWith('/')) {
        folder.chop(1);
    }
    return folder;
}

// The file system a path is on, or would be on once made: that of the nearest part of it that exists.
std::optional<dev_t> deviceOf(QByteArray path) {
    struct stat st {};
    while (::stat(path.constData(), &st) != 0) {
        if (path == "/") {
            return std::nullopt;
        }
        path = parentOf(path);
    }
    return st.st_dev;
}

// The top folder (mount point) of the file system that holds folder, a path without links.
QByteArray topdirOf(const QByteArray& folder, dev_t device) {
    QByteArray top = folder;
    while (top != "/") {
        const QByteArray up = parentOf(top);
        struct stat st {};
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device) {
            break;
        }
        top = up;
    }
    return top;
}

struct TrashFolder {
    QByteArray folder;
    QByteArray topdir; // empty for the home trash, whose records hold absolute paths
};

bool prepareTrash(const QByteArray& folder, bool followLink) {
    return makeOwnFolder(folder, followLink) && makeOwnFolder(folder + "/files", false) &&
           makeOwnFolder(folder + "/info", false);
}

std::optional<TrashFolder> homeTrash(const QByteArray& home) {
    if (home.isEmpty() || !makePath(home) || !prepareTrash(home + "/Trash", true)) {
        return std::nullopt;
    }
    return TrashFolder{home + "/Trash", {}};
}

// $topdir/.Trash/$uid, when an administrator has made $topdir/.Trash a shared trash: a real folder with the
// sticky bit, so that users cannot remove each other's folders in it.
std::optional<TrashFolder> sharedTrash(const QByteArray& topdir) {
    const QByteArray shared = join(topdir, ".Trash");
    struct stat st {};
    if (::lstat(shared.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || (st.st_mode & S_ISVTX) == 0) {
        return std::nullopt;
    }
    const QByteArray own = shared + '/' + QByteArray::number(::geteuid());
    if (!prepareTrash(own, false)) {
        return std::nullopt;
    }
    return TrashFolder{own, topdir};
}

std::optional<TrashFolder> ownTrash(const QByteArray& topdir) {
    const QByteArray own = join(topdir, ".Trash-" + QByteArray::number(::geteuid()));
    if (!prepareTrash(own, false)) {
        return std::nullopt;
    }
    return TrashFolder{own, topdir};
}

QByteArray recordText(const TrashFolder& trash, const QByteArray& original) {
    // Below a top folder the record names the file relative to it, so the volume can be mounted elsewhere.
    const QByteArray path =
        trash.topdir.isEmpty() ? original : original.mid(trash.topdir == "/" ? 1 : trash.topdir.size() + 1);
    return "[Trash Info]\nPath=" + path.toPercentEncoding("/") + "\nDeletionDate=" +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() + '\n';
}

// "name.txt", then "name.2.txt", "name.3.txt", ...
QByteArray entryName(const QByteArray& name, int attempt) {
    if (attempt == 1) {
        return name;
    }
    const qsizetype dot = name.lastIndexOf('.');
    const qsizetype split = dot > 0 ? dot : name.size();
    return name.left(split) + '.' + QByteArray::number(attempt) + name.mid(split);
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

// Copies a plain file to target, which must not exist; 0 or the error number. A failed copy leaves nothing.
int copyFile(const QByteArray& source, const QByteArray& target) {
    const int in = ::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return EINVAL;
    }
    const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || (n > 0 && !writeAll(out, QByteArray::fromRawData(buffer, n)))) {
            error = errno != 0 ? errno : EIO;
            break;
        }
        if (n == 0) {
            break;
        }
    }
    if (error == 0 && ::fsync(out) != 0) {
        error = errno;
    }
    if (::close(out) != 0 && error == 0) {
        error = errno;
    }
    ::close(in);
    if (error != 0) {
        ::unlink(target.constData());
    }
    return error;
}

// Puts the file at target without replacing anything there; 0 or the error number.
int place(const QByteArray& source, const QByteArray& target, TrashMode mode) {
    if (mode == TrashMode::Move) {
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
            return 0;
        }
        // A file system that cannot promise not to replace: the name was found free a moment ago.
        if (errno == EINVAL && ::rename(source.constData(), target.constData()) == 0) {
            return 0;
        }
        return errno;
    }
    if (::link(source.constData(), target.constData()) == 0) {
        return 0;
    }
    return errno == EEXIST ? EEXIST : copyFile(source, target);
}

// Writes the record whole under a temporary name in the trash folder, then links it to info, which fails with
// EEXIST when that name is taken. Returns 0 or the error.
int reserveRecord(const QByteArray& trashFolder, const QByteArray& info, const QByteArray& record) {
    QByteArray temporary = trashFolder + "/.record-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return errno;
    }
    int error = writeAll(fd, record) && ::fsync(fd) == 0 ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::link(temporary.constData(), info.constData()) != 0) {
        error = errno;
    }
    ::unlink(temporary.constData());
    return error;
}

TrashResult trashInto(const TrashFolder& trash, const QByteArray& source, const QByteArray& original, TrashMode mode) {
    const QByteArray record = recordText(trash, original);
    const QByteArray infoFolder = trash.folder + "/info";
    const QByteArray filesFolder = trash.folder + "/files";
    for (int attempt = 1; attempt <= 10000; ++attempt) {
        const QByteArray entry = entryName(nameOf(original), attempt);
        const QByteArray info = infoFolder + '/' + entry + ".trashinfo";
        const QByteArray target = filesFolder + '/' + entry;
        // The record reserves the name, and is whole from the moment it has it: it is written under a name of its
        // own beside info/ and linked into place, which fails when the name is taken. A file under files/ without a
        // record keeps its name too.
        struct stat st {};
        if (::lstat(target.constData(), &st) == 0) {
            continue;
        }
        const int error = reserveRecord(trash.folder, info, record);
        if (error == EEXIST) {
            continue;
        }
        if (error != 0) {
            return {false, errorText(error)};
        }
        syncFolder(infoFolder);
        const int placed = place(source, target, mode);
        if (placed != 0) {
            ::unlink(info.constData());
            syncFolder(infoFolder);
            if (placed == EEXIST) {
                continue;
            }
            return {false, errorText(placed)};
        }
        syncFolder(filesFolder);
        if (mode == TrashMode::Move) {
            syncFolder(parentOf(source));
        }
        return {true, {}};
    }
    return {false, QStringLiteral("The trash holds too many files of this name.")};
}

} // namespace

TrashResult putInTrash(const QString& path, TrashMode mode) {
    const QByteArray source = QFile::encodeName(path);
    struct stat file {};
    if (!source.startsWith('/') || ::lstat(source.constData(), &file) != 0) {
        return {false, QStringLiteral("The file does not exist.")};
    }
    const QByteArray name = nameOf(source);
    char* real = ::realpath(parentOf(source).constData(), nullptr);
    if (real == nullptr || name.isEmpty() || name == "." || name == "..") {
        std::free(real);
        return {false, QStringLiteral("The file does not exist.")};
    }
    // The record names the file by its real place, so that the part below a top folder is exact.
    const QByteArray original = join(QByteArray(real), name);
    std::free(real);

    const QByteArray home = dataHome();
    enum class Candidate { Home, Shared, Own };
    std::vector<Candidate> candidates;
    if (!home.isEmpty() && deviceOf(home + "/Trash") == file.st_dev) {
        candidates = {Candidate::Home};
    } else {
        candidates = {Candidate::Shared, Candidate::Own};
        // A copy can cross file systems.
        if (mode == TrashMode::Copy) {
            candidates.push_back(Candidate::Home);
        }
    }
    const QByteArray topdir = topdirOf(parentOf(original), file.st_dev);
    QString reason = QStringLiteral("No trash folder can take the file.");
    for (const Candidate candidate : candidates) {
        const std::optional<TrashFolder> trash = candidate == Candidate::Home     ? homeTrash(home)
                                                 : candidate == Candidate::Shared ? sharedTrash(topdir)
                                                                                  : ownTrash(topdir);
        if (!trash) {
            continue;
        }
        const TrashResult result = trashInto(*trash, source, original, mode);
        if (result.ok) {
            return result;
        }
        reason = result.reason;
    }
    return {false, reason};
}
