#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class WorkProgress;

// The small window that a Backup or Restore shows while it works away from the main window: what it does, the files
// done of all, and Cancel until the work passes its point of no return. Closing it (Escape, the close box) asks for
// the same cancel; the window goes only when the work has ended.
class WorkDialog : public QDialog {
    Q_OBJECT
public:
    // stageLabels: the text for each stage of the work (WorkProgress::stage()).
    WorkDialog(QWidget* parent, const QStringList& stageLabels, WorkProgress& progress);

    // Runs work on a thread of its own while this dialog is shown modal, and returns what work returned once it has
    // ended. The window's events go on meanwhile (it paints, timers run); input reaches only this dialog.
    int run(const std::function<int(WorkProgress&)>& work);

    void reject() override;

private:
    void update();

    QStringList m_stageLabels;
    WorkProgress& m_progress;
    QLabel* m_label = nullptr;
    QLabel* m_count = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
};
