#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

// Note files "\data\" + key + ".txt": UTF-8, CR LF line ends inside and one CR LF at the end. The note box holds
// the platform's own line ends; the conversion happens here, at the file boundary.

// A key of length letters for mode 1 (ASCII letters, upper and lower case with equal chance, each of the 26 letters
// with equal chance), drawn from random, which must give uniformly distributed bits from a generator seeded once.
// Mode 1 is the only mode; any other mode, or a length below 1, gives an empty text.
QString MakeRandomKey(const std::function<std::uint32_t()>& random, int mode, int length);

// The text with every line break as the note box holds it: CR LF, a lone CR, the line separator U+2028 (Shift+Enter
// in the box) and the paragraph separator U+2029 each become LF.
QString withBoxLineEnds(const QString& text);
// The bytes a note text is stored as: each line break of the text (LF, CR LF, U+2028, U+2029) becomes CR LF, and one
// CR LF follows the text.
QByteArray noteTextToFileBytes(const QString& text);

struct NoteWriteResult {
    bool ok = false;
    bool alreadyExists = false; // the file was there: nothing was written
    QString error;
};
// Creates the note file new (never appends to an existing file) and flushes it to the disk. On a failure no part
// of the file is left behind.
NoteWriteResult writeNoteFile(const QString& path, const QString& text);
// Makes the names of new files in the folder durable, as their contents are. Best effort: a failure is not reported.
void syncFolder(const QString& folder);

struct NoteReadResult {
    bool ok = false;
    QString text;
    int errorNumber = 0;      // as shown in the reading error message
    QString errorDescription; // as shown in the reading error message
};
// Reads a note file back into the text that was saved: lines end at CR LF (or a lone LF) and are joined with the
// platform's "\n"; the line end after the last line is not part of the text. A zero-byte file is a reading error.
// Errors: 53 "File not found", 70 "Permission denied", 75 "Path/File access error" (not a file),
// 57 "Device I/O error" (the read failed), 5 "Invalid procedure call or argument" (zero bytes).
NoteReadResult readNoteFile(const QString& path);
