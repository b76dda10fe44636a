#include "common/platform/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString homeFolder() {
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home)) {
        return home;
    }
    // No usable HOME (a service, a cleared environment): the account's own home.
    const passwd* account = ::getpwuid(::getuid());
    return account != nullptr && account->pw_dir != nullptr ? QFile::decodeName(account->pw_dir) : QDir::rootPath();
}

} // namespace

ProgramFolders locateProgramFolders(const QString& executableFolder) {
    const QDir here(executableFolder);
    if (QFileInfo(here.filePath(QStringLiteral("original"))).isDir()) {
        return ProgramFolders::portable(executableFolder);
    }
    const QString shared = QDir::cleanPath(here.filePath(QStringLiteral("../share/scribbet")));
    if (QFileInfo(shared + QStringLiteral("/original")).isDir()) {
        return {userProgramFolder(), shared, true};
    }
    return ProgramFolders::portable(executableFolder);
}

QString executableFolder() {
    // As the application object reports it on Linux: the canonical path of the running file.
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

QString userProgramFolder() {
    // A relative XDG_DATA_HOME is not valid and counts as unset.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    const QString base =
        QDir::isAbsolutePath(dataHome) ? QDir::cleanPath(dataHome) : homeFolder() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/scribbet");
}

bool makePrivateFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.isDir()) {
        return true;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        return false;
    }
    return ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU) == 0 || QFileInfo(folder).isDir();
}
