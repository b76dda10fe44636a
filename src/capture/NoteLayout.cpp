#include "capture/NoteLayout.h"

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
};

NoteLayout::NoteLayout(QPlainTextEdit* box) : QObject(box), m_box(box) {}

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
    // The box's own settings, read here: the worker must not touch the box.
    const QTextDocument* shown = m_box->document();
    m_thread = std::thread([this, text, font = shown->defaultFont(), option = shown->defaultTextOption(),
                            margin = shown->documentMargin(), window = QThread::currentThread()] {
        auto ready = std::make_shared<Ready>();
        ready->text = text;
        ready->document = std::make_unique<QTextDocument>();
        QTextDocument& document = *ready->document;
        document.setDefaultFont(font);
        document.setDefaultTextOption(option);
        document.setDocumentMargin(margin);
        document.setUndoRedoEnabled(false);
        document.setPlainText(text);
        document.setUndoRedoEnabled(true);
        document.setDocumentLayout(new QPlainTextDocumentLayout(&document));
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

bool NoteLayout::show(const QString& text) {
    if (!isReady(text)) {
        m_ready.reset();
        return false;
    }
    QTextDocument* document = m_ready->document.release();
    m_shownText = m_ready->noteText;
    m_ready.reset();
    // Documents of our own are ours to delete once the box lets go of them; the box deletes its first one itself.
    document->setParent(this);
    QTextDocument* previous = m_box->document();
    const bool ours = previous->parent() == this;
    m_showing = true;
    m_box->setDocument(document);
    m_showing = false;
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
