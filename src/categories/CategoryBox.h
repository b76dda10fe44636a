#pragma once

#include <QCollator>
#include <QComboBox>
#include <QStringList>

// The category chooser: an editable drop-down whose list stays sorted without regard to case.
// Nothing set from code raises a signal; the window raises its own Click and Change handlers where they belong.
// userSelected() is the user choosing an item, userEdited() the user editing the text.
class CategoryBox : public QComboBox {
    Q_OBJECT
public:
    explicit CategoryBox(QWidget* parent = nullptr);

    // The selected position in the list, -1 when none (after the text was typed or cleared).
    int listIndex() const { return currentIndex(); }
    // Selects position i (or none for -1); the text becomes the item's text.
    void setListIndex(int i);
    int listCount() const { return count(); }
    QString item(int i) const { return itemText(i); }

    QString text() const;
    // Sets the edit text; no item is selected afterwards.
    void setText(const QString& text);

    // Adds a name at its sorted place: the locale's collation without regard to case; names that compare equal
    // keep the order in which they came.
    void addSorted(const QString& name);
    // Adds many names at their sorted places at once, as addSorted would one by one.
    void addSortedAll(QStringList names);
    void removeAt(int i);
    // Empties the list and the text.
    void clearAll();

signals:
    void userSelected();
    void userEdited();

private:
    // Adds items without moving the selection or the text.
    void insertKeepingSelection(int position, const QStringList& names);

    QCollator m_collator;
};
