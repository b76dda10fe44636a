#include "storage/KeyFile.h"

#include "common/platform/SavingFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cstring>
#include <unordered_map>

namespace keyfile {
namespace {

enum class Kind { Header, Entry, Other };

// One line of the file, as offsets into its bytes, so that lines nobody changes are copied back untouched.
struct Line {
    qsizetype begin = 0;
    qsizetype contentEnd = 0; // before the line end
    qsizetype end = 0;        // after the line end
    Kind kind = Kind::Other;
    QString name;   // trimmed, as written: the section of a header, the key of an entry
    QString folded; // name without regard to case
    qsizetype valueBegin = 0;
};

struct Document {
    bool exists = false;
    QByteArray bytes;
    std::vector<Line> lines;
};

// The lines of one section: (header, end).
struct Range {
    std::size_t header = 0;
    std::size_t end = 0;
};

constexpr char kLineEnd[] = "\r\n";
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

QString fold(const QString& name) {
    return name.trimmed().toCaseFolded();
}

QString decode(const QByteArray& bytes, qsizetype from, qsizetype to) {
    return QString::fromUtf8(bytes.constData() + from, to - from);
}

const char* findByte(const QByteArray& bytes, qsizetype from, qsizetype to, char c) {
    return static_cast<const char*>(std::memchr(bytes.constData() + from, c, static_cast<std::size_t>(to - from)));
}

void classify(const QByteArray& bytes, Line& line) {
    const char* data = bytes.constData();
    // A file saved by an editor that marks UTF-8 starts with a byte order mark, which is not part of the first line.
    const qsizetype textBegin = line.begin == 0 && bytes.startsWith(kByteOrderMark) ? 3 : line.begin;
    qsizetype p = textBegin;
    while (p < line.contentEnd && (data[p] == ' ' || data[p] == '\t')) {
        ++p;
    }
    if (p == line.contentEnd || data[p] == ';' || data[p] == '#') {
        return;
    }
    if (data[p] == '[') {
        if (const char* close = findByte(bytes, p + 1, line.contentEnd, ']')) {
            line.kind = Kind::Header;
            line.name = decode(bytes, p + 1, close - data).trimmed();
            line.folded = line.name.toCaseFolded();
        }
        return;
    }
    if (const char* eq = findByte(bytes, textBegin, line.contentEnd, '=')) {
        line.kind = Kind::Entry;
        line.valueBegin = eq - data + 1;
        line.name = decode(bytes, textBegin, line.valueBegin - 1).trimmed();
        line.folded = line.name.toCaseFolded();
    }
}

void parse(Document& doc) {
    const QByteArray& bytes = doc.bytes;
    const qsizetype size = bytes.size();
    qsizetype begin = 0;
    while (begin < size) {
        Line line;
        line.begin = begin;
        if (const char* nl = findByte(bytes, begin, size, '\n')) {
            const qsizetype at = nl - bytes.constData();
            line.end = at + 1;
            line.contentEnd = (at > begin && bytes[at - 1] == '\r') ? at - 1 : at;
        } else {
            line.end = size;
            line.contentEnd = size;
        }
        classify(bytes, line);
        doc.lines.push_back(std::move(line));
        begin = doc.lines.back().end;
    }
}

// Nothing when the file exists but cannot be read; a missing file is an empty document.
std::optional<Document> load(const QString& path) {
    Document doc;
    const QFileInfo info(path);
    if (!info.exists()) {
        return doc;
    }
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    doc.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    doc.exists = true;
    parse(doc);
    return doc;
}

// The first section of that name.
std::optional<Range> findSection(const Document& doc, const QString& section) {
    const QString target = fold(section);
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        if (doc.lines[i].kind == Kind::Header && doc.lines[i].folded == target) {
            std::size_t end = i + 1;
            while (end < doc.lines.size() && doc.lines[end].kind != Kind::Header) {
                ++end;
            }
            return Range{i, end};
        }
    }
    return std::nullopt;
}

// The first line of each key of the section.
QHash<QString, std::size_t> entriesOf(const Document& doc, const Range& range) {
    QHash<QString, std::size_t> entries;
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const Line& line = doc.lines[i];
        if (line.kind == Kind::Entry && !entries.contains(line.folded)) {
            entries.insert(line.folded, i);
        }
    }
    return entries;
}

QString valueOf(const Document& doc, const Line& line) {
    return decode(doc.bytes, line.valueBegin, line.contentEnd);
}

QByteArray slice(const Document& doc, const Line& line) {
    return doc.bytes.mid(line.begin, line.end - line.begin);
}

bool isBlankLine(const Document& doc, const Line& line) {
    for (qsizetype p = line.begin; p < line.contentEnd; ++p) {
        if (doc.bytes[p] != ' ' && doc.bytes[p] != '\t') {
            return false;
        }
    }
    return true;
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool validSection(const QString& section) {
    return !section.contains(QLatin1Char(']')) && !hasLineBreak(section);
}

bool validKey(const QString& key) {
    const QString name = key.trimmed();
    return !name.isEmpty() && !key.contains(QLatin1Char('=')) && !hasLineBreak(key) &&
           !name.startsWith(QLatin1Char('[')) && !name.startsWith(QLatin1Char(';')) &&
           !name.startsWith(QLatin1Char('#'));
}

QByteArray entryLine(const QString& key, const QString& value) {
    return key.toUtf8() + '=' + value.toUtf8() + kLineEnd;
}

void endLastLine(QByteArray& out) {
    if (!out.isEmpty() && !out.endsWith('\n')) {
        out += kLineEnd;
    }
}

bool save(const QString& path, const Document& doc, const QByteArray& bytes) {
    if (doc.exists && bytes == doc.bytes) {
        return true;
    }
    // A file the user may not write stays as it is, though its folder would let a new file be renamed over it.
    if (doc.exists && !QFileInfo(path).isWritable()) {
        return false;
    }
    SavingFile file(path);
    return file.open() && file.write(bytes) && file.commit();
}

// Copies the document without the lines marked in drop.
QByteArray without(const Document& doc, const std::vector<bool>& drop) {
    QByteArray out;
    out.reserve(doc.bytes.size());
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        if (!drop[i]) {
            out += slice(doc, doc.lines[i]);
        }
    }
    return out;
}

// The document's bytes with the keys of one section written; nothing when a name or value cannot stand in a file.
std::optional<QByteArray> withValues(const Document& doc, const QString& section, const std::vector<Entry>& keyValues) {
    if (!validSection(section)) {
        return std::nullopt;
    }
    // The last value given for a key wins; new keys are added in the order they were first given.
    std::vector<Entry> changes;
    QHash<QString, std::size_t> changeOf;
    for (const Entry& entry : keyValues) {
        if (!validKey(entry.first) || hasLineBreak(entry.second)) {
            return std::nullopt;
        }
        const QString folded = fold(entry.first);
        const auto found = changeOf.constFind(folded);
        if (found != changeOf.constEnd()) {
            changes[found.value()].second = entry.second;
        } else {
            changeOf.insert(folded, changes.size());
            changes.push_back(entry);
        }
    }
    const std::optional<Range> range = findSection(doc, section);
    if (!range) {
        QByteArray out = doc.bytes;
        endLastLine(out);
        out += '[' + section.toUtf8() + ']' + kLineEnd;
        for (const Entry& entry : changes) {
            out += entryLine(entry.first, entry.second);
        }
        return out;
    }

    const QHash<QString, std::size_t> entries = entriesOf(doc, *range);
    std::unordered_map<std::size_t, QByteArray> replaced;
    QByteArray appended;
    for (const Entry& entry : changes) {
        const auto found = entries.constFind(fold(entry.first));
        if (found == entries.constEnd()) {
            appended += entryLine(entry.first, entry.second);
            continue;
        }
        // The name part and the line end stay as they were; only the value changes.
        const Line& line = doc.lines[found.value()];
        replaced[found.value()] = doc.bytes.mid(line.begin, line.valueBegin - line.begin) + entry.second.toUtf8() +
                                  doc.bytes.mid(line.contentEnd, line.end - line.contentEnd);
    }
    // New keys go after the section's last non-blank line, so blank lines before the next section stay there.
    std::size_t insertAfter = range->header;
    for (std::size_t i = range->end - 1; i > range->header; --i) {
        if (!isBlankLine(doc, doc.lines[i])) {
            insertAfter = i;
            break;
        }
    }
    QByteArray out;
    out.reserve(doc.bytes.size() + appended.size());
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const auto change = replaced.find(i);
        out += change != replaced.end() ? change->second : slice(doc, doc.lines[i]);
        if (i == insertAfter && !appended.isEmpty()) {
            endLastLine(out);
            out += appended;
        }
    }
    return out;
}

} // namespace

std::optional<QString> readValue(const QString& path, const QString& section, const QString& key) {
    return readValues(path, section, QStringList{key}).front();
}

std::vector<std::optional<QString>> readValues(const QString& path, const QString& section, const QStringList& keys) {
    std::vector<std::optional<QString>> values(static_cast<std::size_t>(keys.size()));
    const std::optional<Document> doc = load(path);
    if (!doc) {
        return values;
    }
    const std::optional<Range> range = findSection(*doc, section);
    if (!range) {
        return values;
    }
    const QHash<QString, std::size_t> entries = entriesOf(*doc, *range);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const auto found = entries.constFind(fold(keys[i]));
        if (found != entries.constEnd()) {
            values[static_cast<std::size_t>(i)] = valueOf(*doc, doc->lines[found.value()]);
        }
    }
    return values;
}

std::vector<Entry> readSection(const QString& path, const QString& section) {
    std::vector<Entry> result;
    const std::optional<Document> doc = load(path);
    if (!doc) {
        return result;
    }
    const std::optional<Range> range = findSection(*doc, section);
    if (!range) {
        return result;
    }
    QSet<QString> seen;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const Line& line = doc->lines[i];
        if (line.kind == Kind::Entry && !seen.contains(line.folded)) {
            seen.insert(line.folded);
            result.emplace_back(line.name, valueOf(*doc, line));
        }
    }
    return result;
}

QStringList keyNames(const QString& path, const QString& section) {
    QStringList names;
    for (const Entry& entry : readSection(path, section)) {
        names << entry.first;
    }
    return names;
}

QStringList sectionNames(const QString& path) {
    QStringList names;
    const std::optional<Document> doc = load(path);
    if (!doc) {
        return names;
    }
    QSet<QString> seen;
    for (const Line& line : doc->lines) {
        if (line.kind == Kind::Header && !seen.contains(line.folded)) {
            seen.insert(line.folded);
            names << line.name;
        }
    }
    return names;
}

bool writeValue(const QString& path, const QString& section, const QString& key, const QString& value) {
    return writeValues(path, section, {{key, value}});
}

bool writeValues(const QString& path, const QString& section, const std::vector<Entry>& keyValues) {
    return writeSections(path, {{section, keyValues}});
}

bool writeSections(const QString& path, const std::vector<SectionEntries>& sections) {
    const std::optional<Document> original = load(path);
    if (!original) {
        return false;
    }
    Document doc = *original;
    for (const SectionEntries& section : sections) {
        const std::optional<QByteArray> bytes = withValues(doc, section.first, section.second);
        if (!bytes) {
            return false;
        }
        doc.bytes = *bytes;
        doc.lines.clear();
        parse(doc);
    }
    return save(path, *original, doc.bytes);
}

bool deleteKey(const QString& path, const QString& section, const QString& key) {
    const std::optional<Document> doc = load(path);
    if (!doc) {
        return false;
    }
    const std::optional<Range> range = findSection(*doc, section);
    if (!range) {
        return true;
    }
    const QString target = fold(key);
    std::vector<bool> drop(doc->lines.size(), false);
    bool any = false;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        if (doc->lines[i].kind == Kind::Entry && doc->lines[i].folded == target) {
            drop[i] = true;
            any = true;
        }
    }
    return !any || save(path, *doc, without(*doc, drop));
}

bool deleteSection(const QString& path, const QString& section) {
    const std::optional<Document> doc = load(path);
    if (!doc) {
        return false;
    }
    const QString target = fold(section);
    std::vector<bool> drop(doc->lines.size(), false);
    bool inside = false;
    bool any = false;
    for (std::size_t i = 0; i < doc->lines.size(); ++i) {
        if (doc->lines[i].kind == Kind::Header) {
            inside = doc->lines[i].folded == target;
            any = any || inside;
        }
        drop[i] = inside;
    }
    return !any || save(path, *doc, without(*doc, drop));
}

} // namespace keyfile
