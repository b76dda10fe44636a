#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The count labels: position + " / " + total + " Category" / " Categories" (" Note" / " Notes"), "No Categories"
// ("No Notes") when the total is 0. The total is shown as the text stands and taken as a number for the choice;
// a total that is negative or not a number gives nothing, and the label keeps what it shows.
std::optional<QString> CategoryCountCaption(std::int64_t position, const QString& totalText);
std::optional<QString> NoteCountCaption(std::int64_t position, const QString& totalText);

// A count text taken as a number; nothing when it is not one.
std::optional<double> CountValue(const QString& text);
