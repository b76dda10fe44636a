#include "search/FindNotes.h"

#include "app/FrmMain.h"
#include "common/Files.h"
#include "search/FindWindow.h"
#include "search/SearchService.h"

#include <QEvent>
#include <QShortcut>
#include <QTimer>

#include <utility>

FindNotes::FindNotes(FrmMain& window, const QString& programFolder)
    : QObject(&window), m_window(window), m_programFolder(programFolder),
      m_service(new SearchService(programFolder, this)) {
    auto* shortcut = new QShortcut(QKeySequence::Find, &window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] { open(); });
    window.installEventFilter(this);
}

FindNotes::~FindNotes() {
    delete m_findWindow;
}

bool FindNotes::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && event->type() == QEvent::Paint) {
        m_window.removeEventFilter(this);
        m_painted = true;
        // After this paint has reached the screen.
        QTimer::singleShot(0, this, [this] {
            m_service->start();
            if (m_openWhenShown) {
                open(*std::exchange(m_openWhenShown, std::nullopt));
            }
        });
    }
    return false;
}

void FindNotes::openWhenShown(const QString& text) {
    if (m_painted) {
        open(text);
    } else {
        m_openWhenShown = text;
    }
}

void FindNotes::open(const QString& text) {
    if (m_findWindow == nullptr) {
        m_findWindow = new FindWindow(*m_service);
        m_findWindow->watchFolder(ProgramPath(m_programFolder, QStringLiteral("\\data")));
        connect(m_findWindow, &FindWindow::noteChosen, &m_window, &FrmMain::showFoundNote);
    }
    m_findWindow->openBeside(&m_window, text);
}
