// The in-process benchmarks: each row of the table that one process can measure. Runs under Qt's offscreen platform
// with a private home folder, so that the trash and settings of the user are never touched.
#include "BenchWindow.h"
#include "Figures.h"

#include "common/platform/Allocator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    // The heap as the program sets it up, before any thread starts.
    keepFreedMemoryWarm();
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot make a private home folder\n");
        return 1;
    }
    const QString runtime = home.filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("share"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    figures::runAndPrint();
    releaseFixtures();
    benchmark::Shutdown();
    return 0;
}
