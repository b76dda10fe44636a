// The exit path: every close request passes the exit question unless it was suppressed.
#include "app/FrmMain.h"

#include "backup/WorkProgress.h"
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
    // A Backup stops; a Restore stops unless it is moving files into place, which it finishes. The program ends
    // when the work has (see endAfterLongWork).
    if (m_longWork != nullptr) {
        m_sessionEndAfterWork = true;
        m_longWork->requestCancel();
        return;
    }
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
    // The close box (or the window manager) asks; code that unloads has already decided. During a Backup or Restore
    // the request is answered when the work has ended.
    if (!m_ended && m_longWork != nullptr) {
        m_closeAfterWork = true;
        event->ignore();
        return;
    }
    if (m_ended || requestUnload(0)) {
        event->accept();
    } else {
        event->ignore();
    }
}
