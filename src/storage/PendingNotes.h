#pragma once

#include <QString>

// A save writes the note file under its pending name (the note file's name + ".pending"), commits the record and
// only then gives the file its final name. Whatever moment a save is cut short at, the data folder holds either a
// record with its complete note file, or no record and at most a pending file; the next start tells the two
// apart by the record and finishes the note or removes the leftover. Any other sweep of note files would be
// unsound: a restore leaves note files without records on purpose.

QString pendingNotePath(const QString& notePath);

// Renames the pending file to the note file's name and makes the new name durable. Never replaces a file.
bool publishPendingNote(const QString& notePath, QString* error = nullptr);

// Finishes the pending files in the data folder of programFolder: those whose record was committed take their
// final names, the others are removed. Nothing is touched when the database cannot be read.
void FinishPendingNotes(const QString& programFolder);
