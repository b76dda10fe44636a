#pragma once

#include <QString>
#include <QWidget>

// A text box that is never shown: it only holds a text.
class HiddenTextBox : public QWidget {
public:
    explicit HiddenTextBox(QWidget* parent = nullptr) : QWidget(parent) { hide(); }
    const QString& text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }

private:
    QString m_text;
};
