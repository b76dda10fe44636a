// The note-file reader on any bytes, and the round trip: a note text written and read back is the text saved, with
// its line ends as the note box holds them.
#include "FuzzFolder.h"

#include "storage/NoteFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = fuzzFolder().filePath(QStringLiteral("note.txt"));
    writeWhole(path, reinterpret_cast<const char*>(data), size);
    const NoteReadResult read = readNoteFile(path);
    if (read.ok != (size > 0)) {
        qFatal("an existing file of %zu bytes read as %d", size, read.ok);
    }

    QFile::remove(path);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!writeNoteFile(path, text).ok) {
        qFatal("a note could not be written");
    }
    QString expected = text;
    expected.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QChar lineBreak : {QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)}) {
        expected.replace(lineBreak, QLatin1Char('\n'));
    }
    const NoteReadResult back = readNoteFile(path);
    if (!back.ok || back.text != expected) {
        qFatal("a note did not read back as saved");
    }
    QFile::remove(path);
    return 0;
}
