#include "BenchWindow.h"

#include <QCoreApplication>
#include <QTreeView>

#include <cstdlib>
#include <vector>

namespace {

std::vector<std::shared_ptr<void>>& fixtures() {
    static std::vector<std::shared_ptr<void>> kept;
    return kept;
}

} // namespace

void keepFixture(std::shared_ptr<void> fixture) {
    fixtures().push_back(std::move(fixture));
}

void releaseFixtures() {
    while (!fixtures().empty()) {
        fixtures().pop_back();
    }
}

int AnsweringPlatform::messageBox(const QString& text, int style, const QString&) {
    lastMessage = text;
    return style == MsgStyle::YesNoExclamation ? MsgAnswer::Yes : MsgAnswer::Ok;
}

BenchWindow::BenchWindow(std::int64_t records, benchdata::NoteFiles files) {
    benchdata::makeProgramFolder(m_dir.path(), records, files);
    m_window = std::make_unique<FrmMain>(m_dir.path(), m_platform);
    m_platform.setParentWindow(m_window.get());
    if (!m_window->Form_Load()) {
        std::abort();
    }
    m_window->show();
    settle();
}

BenchWindow::~BenchWindow() {
    // Hidden while whole: losing the focus on the way out runs the category box's handlers, which must still find a
    // window to run on.
    m_window->skipQuery = true;
    m_window->hide();
}

void BenchWindow::showCategory(const QString& category) {
    m_window->show();
    if (!m_window->lvwNoteDatabase->isVisibleTo(m_window.get())) {
        m_window->cmdOpenDatabase_Click();
    }
    m_window->setCategoryText(category);
    m_window->LoadNoteList();
    settle();
}

void BenchWindow::settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}
