#include "categories/CategoryBox.h"

#include <QLineEdit>
#include <QSignalBlocker>

CategoryBox::CategoryBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(8);
    lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QComboBox::activated, this, [this] { emit userSelected(); });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& typed) {
        // An edit leaves no item selected, as in a plain drop-down combo box.
        if (currentIndex() != -1) {
            const QSignalBlocker blocker(this);
            const int cursor = lineEdit()->cursorPosition();
            setCurrentIndex(-1);
            lineEdit()->setText(typed);
            lineEdit()->setCursorPosition(cursor);
        }
        emit userEdited();
    });
}

void CategoryBox::setListIndex(int i) {
    const QSignalBlocker blocker(this);
    setCurrentIndex(i);
    if (i >= 0 && i < count()) {
        lineEdit()->setText(itemText(i));
    }
}

QString CategoryBox::text() const { return lineEdit()->text(); }

void CategoryBox::setText(const QString& text) {
    const QSignalBlocker blocker(this);
    setCurrentIndex(-1);
    lineEdit()->setText(text);
}

void CategoryBox::addSorted(const QString& name) {
    int position = count();
    for (int i = 0; i < count(); ++i) {
        if (QString::compare(itemText(i), name, Qt::CaseInsensitive) > 0) {
            position = i;
            break;
        }
    }
    const QSignalBlocker blocker(this);
    const QString kept = lineEdit()->text();
    const int index = currentIndex();
    insertItem(position, name);
    // Qt makes the first item added current; the list's selection and text stay as they were.
    setCurrentIndex(index >= position && index >= 0 ? index + 1 : index);
    lineEdit()->setText(kept);
}

void CategoryBox::removeAt(int i) {
    const QSignalBlocker blocker(this);
    const QString kept = lineEdit()->text();
    removeItem(i);
    setCurrentIndex(-1);
    lineEdit()->setText(kept);
}

void CategoryBox::clearAll() {
    const QSignalBlocker blocker(this);
    clear();
    lineEdit()->clear();
}
