#include "TestWindow.h"

TestWindow::~TestWindow() {
    if (window) {
        // Tear down without the exit question.
        window->skipQuery = true;
        window.reset();
    }
}

bool TestWindow::start() {
    window = std::make_unique<FrmMain>(folder.path(), platform);
    const bool started = window->Form_Load();
    if (started) {
        window->show();
    }
    return started;
}
