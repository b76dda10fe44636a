#pragma once

#include <QString>

// Every run of consecutive spaces (U+0020) becomes one space. Nothing is trimmed; tabs and other white space stay.
QString CollapseSpaces(const QString& text);

// The text without leading and trailing spaces (U+0020); other white space stays, as it does in stored names.
QString TrimSpaces(const QString& text);
