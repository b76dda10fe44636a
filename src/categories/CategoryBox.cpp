#include "categories/CategoryBox.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

CategoryBox::CategoryBox(QWidget* parent) : QComboBox(parent) {
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(8);
    // No context menu in the edit field. The box's own menu handler would show the field's menu all the same (the
    // field passes the request up to the box), so the box has none either.
    lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    setContextMenuPolicy(Qt::NoContextMenu);
    // Qt selects, and reports as activated, an item whose name was typed once the edit field loses the focus; a typed
    // name is no choice here (a click on the note list would refill it under the mouse), so that is left out.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
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

QString CategoryBox::text() const {
    return lineEdit()->text();
}

void CategoryBox::setText(const QString& text) {
    const QSignalBlocker blocker(this);
    setCurrentIndex(-1);
    lineEdit()->setText(text);
}

void CategoryBox::addSorted(const QString& name) {
    // After the last item that sorts before or equal to it.
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (m_collator.compare(itemText(middle), name) <= 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    insertKeepingSelection(low, {name});
}

void CategoryBox::addSortedAll(QStringList names) {
    std::stable_sort(names.begin(), names.end(),
                     [this](const QString& a, const QString& b) { return m_collator.compare(a, b) < 0; });
    if (count() == 0) {
        insertKeepingSelection(0, names);
        return;
    }
    for (const QString& name : names) {
        addSorted(name);
    }
}

void CategoryBox::insertKeepingSelection(int position, const QStringList& names) {
    if (names.isEmpty()) {
        return;
    }
    const QSignalBlocker blocker(this);
    const QString kept = lineEdit()->text();
    const int index = currentIndex();
    insertItems(position, names);
    // Qt makes the first item added current; the list's selection and text stay as they were.
    const int added = static_cast<int>(names.size());
    setCurrentIndex(index >= position && index >= 0 ? index + added : index);
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
