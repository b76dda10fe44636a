#pragma once

#include "storage/NotePath.h"

#include <QString>

#include <vector>

class FrmMain;

// A row of the note list: its number (the "#" text, which stays with the row through any sort and indexes
// notePaths and noteKeys) and the description it shows.
struct NoteRow {
    int number = 0;
    QString description;
};

// No note prepared: Open and Delete disabled, and Back returns to a fresh note.
void leaveViewing(FrmMain& w);
// The number of rows the list view shows.
int noteRowCount(const FrmMain& w);
// The selected rows of the list, in the order the list shows them.
std::vector<NoteRow> selectedNoteRows(const FrmMain& w);
// What row number n's stored path leads to (see checkNotePath); Outside when the row has none.
NotePathCheck noteFileOf(const FrmMain& w, int number);
