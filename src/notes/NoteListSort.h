#pragma once

#include <QString>

class QTreeView;

// Each decimal digit d becomes 9 - d and each "-" a space; every other character stays.
QString InvertDigits(const QString& text);

// Keys whose plain text order is the wanted order. A text that cannot be read gets the empty key, which sorts first.
// Numbers: 30 integer digits, ".", 30 decimals; a negative number is "&" and the inverted digits of its magnitude.
QString numberSortKey(const QString& text);
// Dates and times: YYYYMMDDHhNnSs. A time without a date falls on 30 December 1899, so times sort by time of day.
QString dateSortKey(const QString& text);

// Sorts the rows of the note list by one column (1-based). kind "NUMBER" or "DATE" (any case) sorts by the keys
// above, any other kind by the text in the locale's collation without regard to case. Every call flips the list's
// one direction first. Whole rows move; the cells keep their texts.
void SortListView(QTreeView* listView, int column, const QString& kind);
