#include "capture/NoteLayout.h"

#include "common/platform/ThreadPriority.h"
#include "storage/NoteFile.h"

#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>

namespace {

// Below this many characters the box lays out a text in well under a tenth of a second.
constexpr qsizetype kLargeText = 128 * 1024;
// Lines this long keep their shaped glyphs between paints instead of shaping them again each time.
constexpr int kLongLine = 4096;

} // namespace

struct NoteLayout::Ready {
    QString text;
    std::unique_ptr<QTextDocument> document;
    QString noteText; // the document's text, read as the window reads the box
    int width = 0;    // of the box's viewport, which the document is laid out for
};

NoteLayout::NoteLayout(QPlainTextEdit* box) : QObject(box), m_box(box), m_view(std::make_unique<QPlainTextEdit>()) {}

NoteLayout::~NoteLayout() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool NoteLayout::isLarge(const QString& text) {
    return text.size() >= kLargeText;
}

bool NoteLayout::isReady(const QString& text) const {
    return m_ready != nullptr && m_ready->text == text;
}

void NoteLayout::prepare(const QString& text) {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_ready.reset();
    m_preparing = true;
    // The document starts here, empty, with the box's own settings (the worker must not touch the box), and is laid
    // out for the box's width before it has any lines (see adopt()); the worker fills it.
    const QTextDocument* shown = m_box->document();
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(shown->defaultFont());
    document->setDefaultTextOption(shown->defaultTextOption());
    document->setDocumentMargin(shown->documentMargin());
    document->setUndoRedoEnabled(false);
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    const int width = m_box->viewport()->width();
    adopt(*document, width);
    // Without a thread until the worker takes it.
    document->moveToThread(nullptr);
    m_thread = std::thread([this, text, width, unfilled = document.release(), window = QThread::currentThread()] {
        giveWayToTheWindow();
        auto ready = std::make_shared<Ready>();
        ready->text = text;
        ready->width = width;
        ready->document.reset(unfilled);
        QTextDocument& document = *ready->document;
        document.moveToThread(QThread::currentThread());
        document.setPlainText(text);
        document.setUndoRedoEnabled(true);
        // The layout above shapes a long line here and keeps nothing of it (its pages go back to the heap, where the
        // window's thread finds them warm); the window's thread shapes it once more, and keeps it. Every line gets
        // its layout object here: the box would make the missing ones as it takes the document, a second for a
        // million lines.
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            QTextLayout* line = block.layout();
            if (block.length() >= kLongLine) {
                line->setCacheEnabled(true);
            }
        }
        ready->noteText = withBoxLineEnds(document.toRawText());
        document.moveToThread(window);
        // Should the layout object go before this arrives, the event is dropped and the document with it.
        QMetaObject::invokeMethod(
            this,
            [this, ready] {
                m_preparing = false;
                m_ready = std::make_unique<Ready>(std::move(*ready));
                emit prepared();
            },
            Qt::QueuedConnection);
    });
}

// A view lays out a document that it takes for the width of its viewport, one line after another, unless another view
// laid it out first for a width at least as large: then it takes it as it is. The box would spend a fifth of a second
// on a million lines; this view, never shown, takes the document while it is empty, for the box's width.
void NoteLayout::adopt(QTextDocument& document, int width) {
    // The box's wrapping, or the box would set its own on taking the document: every line again.
    m_view->setLineWrapMode(m_box->lineWrapMode());
    m_view->setWordWrapMode(m_box->wordWrapMode());
    m_view->viewport()->resize(width, m_view->viewport()->height());
    m_view->setDocument(&document);
    m_view->setDocument(nullptr);
}

bool NoteLayout::show(const QString& text) {
    if (!isReady(text)) {
        m_ready.reset();
        return false;
    }
    QTextDocument* document = m_ready->document.release();
    m_shownText = m_ready->noteText;
    // The box's width changed since (the window was laid out meanwhile): laid out for the new one here.
    if (m_ready->width != m_box->viewport()->width()) {
        adopt(*document, m_box->viewport()->width());
    }
    m_ready.reset();
    // Documents of our own are ours to delete once the box lets go of them; the box deletes its first one itself.
    document->setParent(this);
    QTextDocument* previous = m_box->document();
    const bool ours = previous->parent() == this;
    m_showing = true;
    m_box->setDocument(document);
    m_showing = false;
    // Laying out is what would have repainted the box.
    m_box->viewport()->update();
    m_shownText.clear();
    if (ours) {
        delete previous;
    }
    return true;
}

bool NoteLayout::shownText(QString& text) const {
    if (!m_showing) {
        return false;
    }
    text = m_shownText;
    return true;
}
