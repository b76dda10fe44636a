// Backup and Restore work away from the window's thread; the window keeps painting under a small progress window.
#include "app/FrmMain.h"
#include "backup/WorkDialog.h"
#include "backup/WorkProgress.h"

#include <QAction>
#include <QTimer>

#include <utility>
#include <vector>

int FrmMain::runLongWork(const QStringList& stageLabels, const std::function<int(WorkProgress&)>& work) {
    WorkProgress progress;
    // Nothing else may start while the work runs: the progress window is modal, but the tray menu is not.
    std::vector<std::pair<QAction*, bool>> actions;
    for (QAction* action : {mnuCTRL, mnuBackup, mnuRestore, mnuExit}) {
        actions.emplace_back(action, action->isEnabled());
        action->setEnabled(false);
    }
    m_longWork = &progress;
    WorkDialog dialog(this, stageLabels, progress);
    const int result = dialog.run(work);
    m_longWork = nullptr;
    for (const auto& [action, enabled] : actions) {
        action->setEnabled(enabled);
    }
    return result;
}

bool FrmMain::endAfterLongWork() {
    if (!m_sessionEndAfterWork) {
        return false;
    }
    m_sessionEndAfterWork = false;
    m_closeAfterWork = false;
    sessionEnding();
    return true;
}

void FrmMain::answerCloseRequest() {
    if (m_closeAfterWork) {
        m_closeAfterWork = false;
        // As the close box's own request would have been: the exit question, unless it was suppressed.
        requestUnload(0);
    }
}
