#pragma once

#include "common/platform/Platform.h"

// The desktop as the window uses it: every call goes to the desktop, and the window can tell whether one of its
// message boxes is waiting for an answer. A handler that asks runs on when the box is answered, so until then
// nothing else may start (the clipboard watch, the tray), or it would change what the handler then works on.
class WindowPlatform final : public Platform {
public:
    explicit WindowPlatform(Platform& desktop) : m_desktop(desktop) {}

    bool messageBoxOpen() const { return m_openBoxes > 0; }

    int messageBox(const QString& text, int style, const QString& title) override {
        ++m_openBoxes;
        const int answer = m_desktop.messageBox(text, style, title);
        --m_openBoxes;
        return answer;
    }
    bool openFile(const QString& path) override { return m_desktop.openFile(path); }
    bool openUrl(const QString& url) override { return m_desktop.openUrl(url); }
    TrashResult moveToTrash(const QString& path) override { return m_desktop.moveToTrash(path); }
    TrashResult copyToTrash(const QString& path) override { return m_desktop.copyToTrash(path); }
    std::int64_t bytesAvailable(const QString& path) override { return m_desktop.bytesAvailable(path); }
    QDateTime now() override { return m_desktop.now(); }
    std::uint32_t random() override { return m_desktop.random(); }

private:
    Platform& m_desktop;
    int m_openBoxes = 0;
};
