#pragma once

#include "ProgramFolder.h"

#include "app/FrmMain.h"
#include "common/platform/QtPlatform.h"

#include <QTemporaryDir>

#include <memory>
#include <utility>

// The desktop as the program meets it, except that every message box is answered at once with its first button.
class AnsweringPlatform : public QtPlatform {
public:
    int messageBox(const QString& text, int style, const QString& title) override;
    // The text of the last message box.
    QString lastMessage;
};

// The real window on a program folder of its own, started and shown (under the offscreen platform of the benchmarks).
class BenchWindow {
public:
    BenchWindow(std::int64_t records, benchdata::NoteFiles files);
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;
    FrmMain* operator->() { return m_window.get(); }
    FrmMain& window() { return *m_window; }
    QString folder() const { return m_dir.path(); }
    AnsweringPlatform& platform() { return m_platform; }

    // The list of that category, shown in the database view.
    void showCategory(const QString& category);
    // Lets the window do what it left to the event loop (laying out and painting the list), as a user would see it.
    static void settle();

private:
    QTemporaryDir m_dir;
    AnsweringPlatform m_platform;
    std::unique_ptr<FrmMain> m_window;
};

// Keeps a fixture until releaseFixtures(): fixtures hold windows, which must go before the application object does.
void keepFixture(std::shared_ptr<void> fixture);
void releaseFixtures();

template <typename T, typename... Args> T& makeFixture(Args&&... args) {
    auto fixture = std::make_shared<T>(std::forward<Args>(args)...);
    T& kept = *fixture;
    keepFixture(std::move(fixture));
    return kept;
}
