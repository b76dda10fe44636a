#pragma once

#include "FakePlatform.h"
#include "TestFolder.h"

#include "app/FrmMain.h"

#include <QTest>

#include <memory>

// The real window on a temporary program folder with a scripted desktop.
class TestWindow {
public:
    TestWindow() = default;
    ~TestWindow();

    // Constructs the window and runs start-up; shows it when start-up went on. Returns Form_Load's result.
    bool start();
    FrmMain& w() { return *window; }
    FrmMain* operator->() { return window.get(); }

    // A child of the window by objectName; fails the test when missing.
    template <typename T> T* find(const char* name) {
        T* child = window->findChild<T*>(QString::fromLatin1(name));
        if (child == nullptr) {
            qFatal("no control named %s", name);
        }
        return child;
    }

    TestFolder folder;
    FakePlatform platform;
    std::unique_ptr<FrmMain> window;
};
