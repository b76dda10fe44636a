#include "backup/WorkDialog.h"

#include "backup/WorkProgress.h"
#include "common/platform/ThreadPriority.h"

#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>

namespace {

// How often the dialog shows the count; the work's end is seen at once.
constexpr int kUpdateMs = 50;

} // namespace

WorkDialog::WorkDialog(QWidget* parent, const QStringList& stageLabels, WorkProgress& progress)
    : QDialog(parent), m_stageLabels(stageLabels), m_progress(progress) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Scribbet"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblProgress"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblProgressCount"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("barProgress"));
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(280);
    auto* buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("cmdCancelProgress"));
    connect(buttons, &QDialogButtonBox::rejected, this, &WorkDialog::reject);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(m_count);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    update();
}

void WorkDialog::reject() {
    m_progress.requestCancel();
    update();
}

void WorkDialog::update() {
    const int stage = m_progress.stage();
    m_label->setText(m_stageLabels.value(stage, m_stageLabels.value(0)));
    const int total = m_progress.total();
    const int done = m_progress.done();
    if (total == 0) {
        // The files are still being counted: the bar only shows that work goes on.
        m_bar->setRange(0, 0);
        m_count->clear();
    } else {
        m_bar->setRange(0, total);
        m_bar->setValue(std::min(done, total));
        m_count->setText(QStringLiteral("%1 of %2 files").arg(done).arg(total));
    }
    // Past the point of no return, or asked already: the button can do nothing more.
    m_cancel->setEnabled(!m_progress.committed() && !m_progress.cancelled());
}

int WorkDialog::run(const std::function<int(WorkProgress&)>& work) {
    int result = 0;
    QEventLoop loop;
    std::thread worker([&] {
        // The threads that the work starts give way too.
        giveWayToTheWindow();
        result = work(m_progress);
        // Posted to the loop's thread: delivered by exec(), also when the work ends before exec() starts.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, this, [this] { update(); });
    ticks.start(kUpdateMs);
    show();
    loop.exec();
    worker.join();
    ticks.stop();
    hide();
    return result;
}
