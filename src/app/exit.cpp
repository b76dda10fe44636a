// The exit path: every close request passes the exit question unless it was suppressed.
#include "app/FrmMain.h"

#include "common/platform/Platform.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

namespace {
constexpr int kUnloadFromCode = 1;
constexpr int kSessionEnding = 2;
} // namespace

void FrmMain::Form_QueryUnload(int& cancel, int unloadMode) {
    if (unloadMode == kSessionEnding) {
        skipQuery = true;
    }
    if (!skipQuery) {
        const int answer = m_platform.messageBox(QStringLiteral("Are you sure you want to exit Scribbet?"),
                                                 MsgStyle::YesNoExclamation, QStringLiteral("Scribbet"));
        if (answer == MsgAnswer::Yes) {
            RemoveTrayIcon();
        } else {
            cancel = 1;
        }
    }
}

void FrmMain::Form_Unload() {
    m_unloaded = true;
    RemoveTrayIcon();
    Timer1->stop();
}

void FrmMain::Unload() {
    requestUnload(kUnloadFromCode);
}

void FrmMain::sessionEnding() {
    requestUnload(kSessionEnding);
}

bool FrmMain::requestUnload(int unloadMode) {
    if (m_ended) {
        return true;
    }
    int cancel = 0;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel != 0) {
        return false;
    }
    Form_Unload();
    m_ended = true;
    hide();
    QCoreApplication::quit();
    return true;
}

void FrmMain::closeEvent(QCloseEvent* event) {
    // The close box (or the window manager) asks; code that unloads has already decided.
    if (m_ended || requestUnload(0)) {
        event->accept();
    } else {
        event->ignore();
    }
}
