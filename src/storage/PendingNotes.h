#pragma once

#include <QString>

// A save writes the note file under its pending name (the same name in the data folder's ".pending" folder),
// commits the record and only then moves the file into the data folder. Whatever moment a save is cut short at, the
// data folder holds either a record with its complete note file, or no record and at most a pending file; the next
// start tells the two apart by the record and finishes the note or removes the leftover. Keeping pending files in a
// folder of their own lets the start look at them alone, however many notes there are. Any other sweep of note
// files would be unsound: a restore leaves note files without records on purpose.

QString pendingNotePath(const QString& notePath);

// Makes the folder of notePath's pending file, durably, when it is missing. False when it cannot be made.
bool preparePendingFolder(const QString& notePath, QString* error = nullptr);

// Moves the pending file to the note file's name and makes the new name durable. Never replaces a file.
bool publishPendingNote(const QString& notePath, QString* error = nullptr);

// Moves a note file back under its pending name, for a delete that then commits the record's removal: cut short
// before the commit, the next start puts the file back for its record; after it, the next start removes the file.
// A pending file of the same name, a leftover of the same note, is replaced.
bool setAsidePendingNote(const QString& notePath, QString* error = nullptr);

// Finishes the pending files of the data folder of programFolder: those whose record was committed take their
// final names, the others are removed, and the emptied pending folder goes too. Nothing is touched when the
// database cannot be read.
void FinishPendingNotes(const QString& programFolder);
