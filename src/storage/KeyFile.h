#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// The key-file reader and writer beneath cInifile. Files are "[section]" lines and "key=value" lines; lines that
// start with ";" or "#" are comments. Section and key names match without regard to case and ignore surrounding
// blanks; a value is everything after the first "=" up to the end of the line, byte for byte (UTF-8). Lines may end
// in CR LF or LF; lines written anew end in CR LF. A value whose bytes are not UTF-8 (a file written in an 8-bit code
// page) reads as Windows-1252, and a write puts the same text back as the same bytes, under any key of the file.
// When a section or key appears more than once, the first one counts.
// A write changes exactly one line in place (or appends it to its section, creating section and file when missing)
// and keeps every other line byte for byte; it goes through a temporary file that is renamed over the target, so
// the file is never left half-written. A missing folder is not created; a file that cannot be read, or that the user
// may not write, is never replaced.
// Names that cannot stand in a key file (a key with "=", a section with "]", either with a line break, an empty
// key) and values with a line break are refused: the write fails and the file is left alone.
namespace keyfile {

using Entry = std::pair<QString, QString>;                     // key name as written in the file, value
using SectionEntries = std::pair<QString, std::vector<Entry>>; // section name, its keys to write

// The value, or nothing when the file, the section or the key is missing.
std::optional<QString> readValue(const QString& path, const QString& section, const QString& key);
// Several values of one section in one read: element i answers keys[i].
std::vector<std::optional<QString>> readValues(const QString& path, const QString& section, const QStringList& keys);
// Every key of one section with its value, in file order, read once; a repeated key is listed once, first value.
std::vector<Entry> readSection(const QString& path, const QString& section);
// The key names of one section and the section names of the file, in file order, each name once.
QStringList keyNames(const QString& path, const QString& section);
QStringList sectionNames(const QString& path);

bool writeValue(const QString& path, const QString& section, const QString& key, const QString& value);
// Several keys of one section in one atomic write.
bool writeValues(const QString& path, const QString& section, const std::vector<Entry>& keyValues);
// Keys of several sections in one atomic write, section by section in the order given; nothing is written when any
// of them is refused.
bool writeSections(const QString& path, const std::vector<SectionEntries>& sections);
// Removes every line of the key from the section; a missing file, section or key is no failure.
bool deleteKey(const QString& path, const QString& section, const QString& key);
// Removes every section of that name with all its lines; a missing file or section is no failure.
bool deleteSection(const QString& path, const QString& section);

} // namespace keyfile
