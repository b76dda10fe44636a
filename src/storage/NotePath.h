#pragma once

#include <QString>

// What a stored note path (a record's "thePath") leads to. Only a plain file directly in the data folder whose
// name ends in ".txt" is a note: a tampered database, or one restored from another archive, must not make the
// program read, open or trash the database itself, the key files, a folder, or a file that a link leads to.
enum class NotePlace {
    Note,    // a plain file directly in the data folder, named *.txt
    Missing, // a name a note could have, with nothing there
    Outside, // anything else; never read, opened or trashed
};

struct NotePathCheck {
    NotePlace place = NotePlace::Outside;
    QString path; // the native path, for Note and Missing only
};

NotePathCheck checkNotePath(const QString& programFolder, const QString& thePath);
