#pragma once

#include <QString>

#include <functional>

// Note files "\data\" + key + ".txt": UTF-8, CR LF line ends inside and one CR LF at the end. The note box holds
// the platform's own line ends; the conversion happens here, at the file boundary.

// A key of length letters for mode 1 (ASCII letters, upper and lower case with equal chance), drawn from random.
QString MakeRandomKey(const std::function<std::uint32_t()>& random, int mode, int length);

// The bytes a note text is stored as, and the text read back from them.
QByteArray noteTextToFileBytes(const QString& text);

struct NoteWriteResult {
    bool ok = false;
    bool alreadyExists = false; // the file was there: nothing was written
    QString error;
};
// Creates the note file new (never appends to an existing file) and flushes it to the disk.
NoteWriteResult writeNoteFile(const QString& path, const QString& text);

struct NoteReadResult {
    bool ok = false;
    QString text;
    int errorNumber = 0;        // as shown in the reading error message
    QString errorDescription;   // as shown in the reading error message
};
// Reads a note file back into the text that was saved. A zero-byte file is a reading error.
NoteReadResult readNoteFile(const QString& path);
