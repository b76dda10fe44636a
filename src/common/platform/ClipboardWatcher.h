#pragma once

#include <QClipboard>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class QMimeData;
class X11Selection;
struct SelectionText;

// The clipboard as the capture sees it: its plain text, if it offers one.
struct ClipboardContent {
    bool hasText = false; // false also for text that a password manager marks as secret
    QString text;         // empty without text
    bool ownCopy = false; // copied or cut in one of the program's own fields
};

// A password manager's mark on a secret, which must never be taken into a note.
bool isMarkedSecret(const QMimeData& data);

// The program's view of the clipboard: knows whether it changed since it was last read, so that an unchanged
// clipboard costs nothing. On X11 another program's text is read on a thread of its own (an owner that stops
// answering never holds up the window); the program's own text, and every clipboard under other window systems, is
// read through QClipboard.
class ClipboardWatcher : public QObject {
    Q_OBJECT
public:
    explicit ClipboardWatcher(QObject* parent = nullptr);
    ~ClipboardWatcher() override;

    // Whether every change of the clipboard is announced. Without announcements each read asks the clipboard again.
    bool announcesChanges() const { return m_announces; }
    // The clipboard may differ from content(): it changed since the last read, or changes are not announced.
    bool changed() const { return !m_announces || m_readSerial != m_serial; }
    // Brings content() up to date, reading the clipboard only when it changed. False while a read from another
    // program is under way: contentRead() follows when it ends, and until then content() is the last text read.
    bool read();
    bool reading() const { return m_reading; }
    const ClipboardContent& content() const { return m_content; }
    // Clears the clipboard and puts text on it: a change of the program's own, known without reading it back.
    void setText(const QString& text);
    // While one lives, a change of the clipboard is a copy or cut made in one of the program's own fields: content()
    // says so, and nothing asks anyone for its text.
    class OwnCopy {
    public:
        explicit OwnCopy(ClipboardWatcher& watcher) : m_watcher(watcher) { ++m_watcher.m_ownCopies; }
        ~OwnCopy() { --m_watcher.m_ownCopies; }
        OwnCopy(const OwnCopy&) = delete;
        OwnCopy& operator=(const OwnCopy&) = delete;

    private:
        ClipboardWatcher& m_watcher;
    };
    // Reads made so far, for tests and measurements.
    int readCount() const { return m_reads; }

signals:
    // The clipboard changed (in another program, or in this one other than through setText).
    void clipboardChanged();
    // A read from another program ended (answered or not); content() holds its text if it is still current.
    void contentRead();

private:
    void onClipboardChanged(QClipboard::Mode mode);
    bool readsElsewhere() const;
    void finishRead(std::uint64_t serial, SelectionText found);

    std::unique_ptr<X11Selection> m_selection;
    ClipboardContent m_content;
    std::uint64_t m_serial = 1; // counts the changes; the content read is of change m_readSerial
    std::uint64_t m_readSerial = 0;
    bool m_announces = false;
    bool m_reading = false;
    bool m_settingText = false;
    int m_ownCopies = 0;
    int m_reads = 0;
};
