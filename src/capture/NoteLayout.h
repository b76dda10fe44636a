#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <thread>

class QPlainTextEdit;
class QTextDocument;

// Building the note box's document for a large text takes seconds on the window's thread: a million lines cost
// four, and every paint of a line a million characters long shapes all of it again. A text that large is laid out
// as a document on a thread of its own first, and the note box then takes the finished document.
class NoteLayout : public QObject {
    Q_OBJECT
public:
    explicit NoteLayout(QPlainTextEdit* box);
    // Waits for a layout under way.
    ~NoteLayout() override;

    // Whether text is large enough to be laid out away from the window first.
    static bool isLarge(const QString& text);
    // Starts laying out text as the box's document. One layout at a time.
    void prepare(const QString& text);
    bool preparing() const { return m_preparing; }
    // A document for exactly this text is ready.
    bool isReady(const QString& text) const;
    // Puts the document laid out for text into the box (its text changes as with setPlainText); false when none
    // is ready for exactly that text. Any other ready document is dropped: the box has moved on.
    bool show(const QString& text);
    // While show() puts a document into the box: the text of that document as the window reads the box (read on
    // the layout's thread, where it costs the window nothing).
    bool shownText(QString& text) const;

signals:
    // A layout ended; its document waits for show().
    void prepared();

private:
    struct Ready;

    // Lays out document, still empty, for a box of that width (see the definition).
    void adopt(QTextDocument& document, int width);

    QPlainTextEdit* m_box;
    std::unique_ptr<QPlainTextEdit> m_view;
    std::unique_ptr<Ready> m_ready;
    std::thread m_thread;
    QString m_shownText;
    bool m_preparing = false;
    bool m_showing = false;
};
