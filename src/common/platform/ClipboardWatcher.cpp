#include "common/platform/ClipboardWatcher.h"

#include "common/platform/X11Selection.h"

#include <QGuiApplication>
#include <QMimeData>

namespace {

// KeePassXC, KDE's Klipper and CopyQ put this format beside a password they copy.
const QString kPasswordHint = QStringLiteral("x-kde-passwordManagerHint");

} // namespace

bool isMarkedSecret(const QMimeData& data) {
    return data.hasFormat(kPasswordHint) && data.data(kPasswordHint) == "secret";
}

ClipboardWatcher::ClipboardWatcher(QObject* parent) : QObject(parent) {
    const QString windowSystem = QGuiApplication::platformName();
    if (windowSystem == QLatin1String("xcb")) {
        m_selection = X11Selection::open();
    }
    // Qt announces X11 changes through XFIXES, which the reader checked for; under the offscreen platform every
    // change is made in this process, and announced by Qt as it is made.
    m_announces = m_selection != nullptr || windowSystem == QLatin1String("offscreen");
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, &ClipboardWatcher::onClipboardChanged);
}

ClipboardWatcher::~ClipboardWatcher() = default;

bool ClipboardWatcher::readsElsewhere() const {
    // While Qt holds the selection, its text is in this process and reading it never waits on anyone.
    return m_selection != nullptr && !QGuiApplication::clipboard()->ownsClipboard();
}

void ClipboardWatcher::onClipboardChanged(QClipboard::Mode mode) {
    if (mode != QClipboard::Clipboard || m_settingText) {
        return;
    }
    ++m_serial;
    if (m_ownCopies > 0) {
        // The program holds the clipboard now: its text is read here, without waiting on anyone.
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        m_content = ClipboardContent();
        m_content.hasText = data != nullptr && data->hasText();
        m_content.text = m_content.hasText ? data->text() : QString();
        m_content.ownCopy = true;
        m_readSerial = m_serial;
        return;
    }
    emit clipboardChanged();
    // Read at once rather than on the next tick: the text is then in the note almost as soon as it was copied.
    if (readsElsewhere()) {
        read();
    }
}

bool ClipboardWatcher::read() {
    if (m_reading) {
        return false;
    }
    if (!changed()) {
        return true;
    }
    const std::uint64_t serial = m_serial;
    if (readsElsewhere()) {
        m_reading = true;
        // The reading thread hands the result over as an event. The watcher outlives that thread (destroying the
        // reader waits for it), and an event still queued when the watcher goes is dropped with it.
        m_selection->read([this, serial](SelectionText found) {
            QMetaObject::invokeMethod(
                this, [this, serial, found = std::move(found)]() mutable { finishRead(serial, std::move(found)); },
                Qt::QueuedConnection);
        });
        return false;
    }
    ++m_reads;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    m_content = ClipboardContent();
    if (data != nullptr && data->hasText() && !isMarkedSecret(*data)) {
        m_content.hasText = true;
        m_content.text = data->text();
    }
    m_readSerial = serial;
    return true;
}

void ClipboardWatcher::finishRead(std::uint64_t serial, SelectionText found) {
    m_reading = false;
    ++m_reads;
    // A change during the read (or setText) makes this text out of date; the change stays unread.
    if (found.answered && serial == m_serial) {
        m_content = ClipboardContent();
        m_content.hasText = found.hasText;
        m_content.text = std::move(found.text);
        m_readSerial = serial;
    }
    emit contentRead();
}

void ClipboardWatcher::setText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    m_settingText = true;
    clipboard->clear();
    clipboard->setText(text);
    m_settingText = false;
    m_content.hasText = true;
    m_content.text = text;
    m_readSerial = ++m_serial;
}
