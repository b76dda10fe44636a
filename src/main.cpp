#include "app/FrmMain.h"
#include "app/StartupReport.h"
#include "common/SingleInstance.h"
#include "common/StallLog.h"
#include "common/platform/Allocator.h"
#include "common/platform/FileModes.h"
#include "common/platform/QtPlatform.h"
#include "common/platform/SessionEnd.h"
#include "common/platform/SessionPlatform.h"
#include "search/FindNotes.h"
#include "search/FindRequest.h"

#include <QApplication>

#include <optional>

int main(int argc, char** argv) {
    keepFreedMemoryWarm();
    // Before anything is written: the data folder, the notes and the backup are for the user alone.
    keepNewFilesPrivate();
    chooseWindowSystem(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scribbet"));
    QApplication::setApplicationVersion(QStringLiteral("1.6"));
    // The program lives on in the tray while its window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);
    const QString programFolder = QCoreApplication::applicationDirPath();

    const std::optional<QString> find = findRequest(QCoreApplication::arguments());

    SingleInstance instance(programFolder);
    if (!instance.becomePrimary()) {
        if (find) {
            instance.sendToPrimary(findMessage(*find));
        } else {
            instance.activatePrimary();
        }
        return 0;
    }

    QtPlatform platform;
    FrmMain window(programFolder, platform);
    platform.setParentWindow(&window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &FrmMain::bringForward);
    FindNotes finder(window, programFolder);
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
