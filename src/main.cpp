#include "app/CommandLine.h"
#include "app/FrmMain.h"
#include "app/StartupReport.h"
#include "common/Files.h"
#include "common/SingleInstance.h"
#include "common/StallLog.h"
#include "common/platform/Allocator.h"
#include "common/platform/FileModes.h"
#include "common/platform/ProgramFolders.h"
#include "common/platform/QtPlatform.h"
#include "common/platform/SessionEnd.h"
#include "common/platform/SessionPlatform.h"
#include "search/FindNotes.h"
#include "search/FindRequest.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace {

QStringList argumentsAfterName(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

int write(std::FILE* stream, const QString& text, int status) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    keepFreedMemoryWarm();
    const ProgramFolders folders = locateProgramFolders(executableFolder());
    // Help, the version and a mistake are answered without a display and without a word to a running instance.
    const CommandLine commandLine = parseCommandLine(argumentsAfterName(argc, argv));
    switch (commandLine.outcome) {
    case CommandLine::Outcome::ShowHelp:
        return write(stdout, helpText(ProgramPath(folders.programFolder, QStringLiteral("\\data"))), 0);
    case CommandLine::Outcome::ShowVersion:
        return write(stdout, versionText(), 0);
    case CommandLine::Outcome::Error:
        return write(stderr, errorText(commandLine), 2);
    case CommandLine::Outcome::Run:
        break;
    }
    // Before anything is written: the data folder, the notes and the backup are for the user alone.
    keepNewFilesPrivate();
    if (folders.installed) {
        makePrivateFolder(folders.programFolder);
    }
    chooseWindowSystem(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scribbet"));
    QApplication::setApplicationVersion(QStringLiteral("1.6"));
    // The program lives on in the tray while its window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    // --find [TEXT]: Find Notes opens with the text, in the running program when there is one.
    std::optional<QString> find;
    if (commandLine.isSet(QStringLiteral("find"))) {
        find = commandLine.given.value(QStringLiteral("find")).value_or(QString());
    }

    // One instance per program folder: in the installed form, one per user.
    SingleInstance instance(folders.programFolder);
    if (!instance.becomePrimary()) {
        if (find) {
            instance.sendToPrimary(findMessage(*find));
        } else {
            instance.activatePrimary();
        }
        return 0;
    }

    QtPlatform platform;
    FrmMain window(folders, platform);
    platform.setParentWindow(&window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &FrmMain::bringForward);
    FindNotes finder(window, folders.programFolder);
    QObject::connect(&instance, &SingleInstance::messageReceived, &finder, [&finder](const QByteArray& message) {
        if (const std::optional<QString> text = findText(message)) {
            finder.openWhenShown(*text);
        }
    });
    watchSessionEnd([&window] { window.sessionEnding(); });
    if (!window.Form_Load()) {
        return 0;
    }
    reportFirstPaint(&window);
    window.show();
    if (find) {
        finder.openWhenShown(*find);
    }
    startStallLogFromEnvironment(&app);
    return QApplication::exec();
}
