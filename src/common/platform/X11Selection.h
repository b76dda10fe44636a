#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <thread>

// What one read of the X11 clipboard found.
struct SelectionText {
    bool answered = false; // false when the owner did not answer in time (or the read was cancelled)
    bool hasText = false;  // a plain-text format was offered and the text is not marked as a secret
    QString text;
};

// Reads the CLIPBOARD selection through an X connection of its own, on a thread of its own: an owner that stops
// answering holds up that thread only, never the window.
class X11Selection {
public:
    // Null when the display cannot be reached, or when it does not announce selection changes (XFIXES): without
    // announcements the clipboard would have to be read on every tick, and Qt's own reading does that well enough.
    static std::unique_ptr<X11Selection> open();
    ~X11Selection();
    X11Selection(const X11Selection&) = delete;
    X11Selection& operator=(const X11Selection&) = delete;

    // Starts a read; done runs on the reading thread when it ends. One read at a time.
    void read(std::function<void(SelectionText)> done);

    class Reader;

private:
    explicit X11Selection(std::unique_ptr<Reader> reader);

    std::unique_ptr<Reader> m_reader;
    std::thread m_thread;
};
