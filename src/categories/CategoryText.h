#pragma once

#include <QString>

// Every run of consecutive spaces (U+0020) becomes one space. Nothing is trimmed; tabs and other white space stay.
QString CollapseSpaces(const QString& text);

// The text without leading and trailing spaces (U+0020); other white space stays, as it does in stored names.
QString TrimSpaces(const QString& text);

// The message that refuses a name typed for a new category, or an empty text when the category file can keep the
// name and give it back unchanged: one line, at most 254 characters (all that a read returns), and text that
// survives the file's encoding (no character 0, which a write drops, and no half of a surrogate pair).
QString CategoryNameProblem(const QString& name);
