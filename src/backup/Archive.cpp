#include "backup/Archive.h"

#include "backup/FolderSize.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;

struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

struct EntryClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using EntryPtr = std::unique_ptr<zip_file_t, EntryClose>;

// File types in the upper half of a zip entry's external attributes when it was made on a Unix system.
constexpr zip_uint32_t kTypeMask = 0170000;
constexpr zip_uint32_t kRegularFile = 0100000;
constexpr zip_uint32_t kFolder = 0040000;
constexpr zip_uint32_t kMsDosFolder = 0x10;

constexpr qint64 kChunk = 64 * 1024;

QString openError(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString archiveError(zip_t* archive) {
    return QString::fromUtf8(zip_strerror(archive));
}

// One deflate stream and one read buffer serve every entry in turn. Left to itself libzip sets up a compressor
// for each entry, and with thousands of small notes the allocation and release of its state (a quarter of a
// megabyte each time) made glibc grow and trim the heap for every file, which cost more than the compression.
class Deflater {
public:
    Deflater() { m_ready = deflateInit2(&m_stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater() {
        if (m_ready) {
            deflateEnd(&m_stream);
        }
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool ready() const { return m_ready; }
    // Why the last entry failed, when it was the file rather than the archive.
    const QString& failure() const { return m_failure; }

    bool begin(const FolderFile& file, zip_error_t* error) {
        // libzip reads its entries one after the other; the shared stream relies on that.
        if (m_file.isOpen() || deflateReset(&m_stream) != Z_OK) {
            zip_error_set(error, ZIP_ER_INTERNAL, 0);
            return false;
        }
        m_file.setFileName(file.info.absoluteFilePath());
        if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            m_failure = file.relativePath + QStringLiteral(": ") + m_file.errorString();
            zip_error_set(error, ZIP_ER_OPEN, 0);
            return false;
        }
        m_remaining = file.info.size();
        m_bytesRead = 0;
        m_crc = crc32(0, nullptr, 0);
        m_inputDone = false;
        m_finished = false;
        m_stream.avail_in = 0;
        return true;
    }

    zip_int64_t read(void* data, zip_uint64_t length, zip_error_t* error) {
        m_stream.next_out = static_cast<Bytef*>(data);
        m_stream.avail_out = static_cast<uInt>(std::min<zip_uint64_t>(length, std::numeric_limits<uInt>::max()));
        const uInt wanted = m_stream.avail_out;
        while (m_stream.avail_out > 0 && !m_finished) {
            if (m_stream.avail_in == 0 && !m_inputDone && !fill(error)) {
                return -1;
            }
            const int result = deflate(&m_stream, m_inputDone ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                m_finished = true;
            } else if (result != Z_OK) {
                zip_error_set(error, ZIP_ER_ZLIB, result);
                return -1;
            }
        }
        return wanted - m_stream.avail_out;
    }

    // Ends the entry; its checksum and length are known when it was read to its end.
    std::optional<std::pair<uLong, zip_uint64_t>> end() {
        m_file.close();
        if (!m_finished) {
            return std::nullopt;
        }
        return std::make_pair(m_crc, m_bytesRead);
    }

private:
    bool fill(zip_error_t* error) {
        // Reading exactly the listed length spares a second read to find the end of each small file.
        const qint64 wanted = std::min<qint64>(m_remaining, static_cast<qint64>(m_input.size()));
        const qint64 n = wanted > 0 ? m_file.read(reinterpret_cast<char*>(m_input.data()), wanted) : 0;
        if (n < 0) {
            m_failure = m_file.fileName() + QStringLiteral(": ") + m_file.errorString();
            zip_error_set(error, ZIP_ER_READ, 0);
            return false;
        }
        m_crc = crc32(m_crc, m_input.data(), static_cast<uInt>(n));
        m_bytesRead += static_cast<zip_uint64_t>(n);
        m_remaining -= n;
        // A shorter read means the file shrank since it was listed.
        m_inputDone = n < wanted || m_remaining == 0;
        m_stream.next_in = m_input.data();
        m_stream.avail_in = static_cast<uInt>(n);
        return true;
    }

    z_stream m_stream{};
    bool m_ready = false;
    std::vector<Bytef> m_input = std::vector<Bytef>(kChunk);
    QFile m_file;
    qint64 m_remaining = 0;
    zip_uint64_t m_bytesRead = 0;
    uLong m_crc = 0;
    bool m_inputDone = false;
    bool m_finished = false;
    QString m_failure;
};

// A libzip source that hands over one file already deflated, so that libzip copies the data as it comes.
struct EntrySource {
    EntrySource(Deflater& deflater, const FolderFile& file) : deflater(deflater), file(file) { zip_error_init(&error); }
    ~EntrySource() { zip_error_fini(&error); }
    EntrySource(const EntrySource&) = delete;
    EntrySource& operator=(const EntrySource&) = delete;

    Deflater& deflater;
    FolderFile file;
    zip_error_t error;
    std::optional<std::pair<uLong, zip_uint64_t>> checksumAndSize;
};

zip_int64_t entrySourceCallback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* entry = static_cast<EntrySource*>(userdata);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return entry->deflater.begin(entry->file, &entry->error) ? 0 : -1;
    case ZIP_SOURCE_READ:
        return entry->deflater.read(data, length, &entry->error);
    case ZIP_SOURCE_CLOSE:
        entry->checksumAndSize = entry->deflater.end();
        return 0;
    case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) {
            zip_error_set(&entry->error, ZIP_ER_INVAL, 0);
            return -1;
        }
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_MTIME;
        stat->comp_method = ZIP_CM_DEFLATE;
        stat->mtime = static_cast<time_t>(entry->file.info.lastModified().toSecsSinceEpoch());
        stat->size = static_cast<zip_uint64_t>(entry->file.info.size());
        // Once read, the entry's true checksum and length complete its header.
        if (entry->checksumAndSize) {
            stat->valid |= ZIP_STAT_CRC;
            stat->crc = static_cast<zip_uint32_t>(entry->checksumAndSize->first);
            stat->size = entry->checksumAndSize->second;
        }
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&entry->error, data, length);
    case ZIP_SOURCE_FREE:
        delete entry;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&entry->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// The Unix file type and permissions, as unzip restores them.
zip_uint32_t unixAttributes(const QFileInfo& info) {
    const auto p = static_cast<zip_uint32_t>(info.permissions().toInt());
    const zip_uint32_t mode = ((p >> 12) & 7u) << 6 | ((p >> 4) & 7u) << 3 | (p & 7u);
    return (kRegularFile | mode) << 16;
}

struct CheckedEntry {
    zip_uint64_t index = 0;
    QString path; // relative, cleaned
    bool folder = false;
    zip_uint64_t size = 0;
};

// The entry's name as a clean relative path, or nothing when it could land outside the folder. Backslashes count as
// separators, as archives made on Windows use them.
std::optional<QString> relativeEntryPath(QString name) {
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.startsWith(QLatin1Char('/')) || (name.size() >= 2 && name[1] == QLatin1Char(':'))) {
        return std::nullopt;
    }
    QStringList parts;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QStringLiteral("..")) {
            return std::nullopt;
        }
        if (part != QStringLiteral(".")) {
            parts << part;
        }
    }
    return parts.join(QLatin1Char('/'));
}

// Why the entry is refused; empty when it may be unpacked.
QString checkEntry(zip_t* archive, zip_uint64_t index, CheckedEntry& entry) {
    zip_stat_t stat;
    if (zip_stat_index(archive, index, 0, &stat) < 0 || (stat.valid & ZIP_STAT_NAME) == 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0) {
        return QStringLiteral("entry %1 cannot be read").arg(index);
    }
    const QString name = QString::fromUtf8(stat.name);
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE) {
        return name + QStringLiteral(": encrypted");
    }
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) < 0) {
        return name + QStringLiteral(": attributes cannot be read");
    }
    entry.folder = name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\'));
    if (system == ZIP_OPSYS_UNIX) {
        const zip_uint32_t type = (attributes >> 16) & kTypeMask;
        if (type == kFolder) {
            entry.folder = true;
        } else if (type != 0 && type != kRegularFile) {
            return name + QStringLiteral(": neither a file nor a folder");
        }
    } else if (system == ZIP_OPSYS_DOS && (attributes & kMsDosFolder) != 0) {
        entry.folder = true;
    }
    const std::optional<QString> path = relativeEntryPath(name);
    if (!path || (path->isEmpty() && !entry.folder)) {
        return name + QStringLiteral(": outside the folder");
    }
    if (entry.folder && stat.size != 0) {
        return name + QStringLiteral(": a folder with data");
    }
    entry.index = index;
    entry.path = *path;
    entry.size = stat.size;
    return {};
}

// Writes one entry to path, holding it to its declared size.
QString unpackEntry(zip_t* archive, const CheckedEntry& entry, const QString& path, std::vector<char>& buffer) {
    EntryPtr in(zip_fopen_index(archive, entry.index, 0));
    if (!in) {
        return entry.path + QStringLiteral(": ") + archiveError(archive);
    }
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return entry.path + QStringLiteral(": ") + out.errorString();
    }
    zip_uint64_t written = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            return entry.path + QStringLiteral(": ") + QString::fromUtf8(zip_file_strerror(in.get()));
        }
        if (n == 0) {
            break;
        }
        written += static_cast<zip_uint64_t>(n);
        if (written > entry.size) {
            return entry.path + QStringLiteral(": larger than declared");
        }
        if (out.write(buffer.data(), n) != n) {
            return entry.path + QStringLiteral(": ") + out.errorString();
        }
    }
    if (written != entry.size) {
        return entry.path + QStringLiteral(": shorter than declared");
    }
    if (zip_fclose(in.release()) != 0) {
        return entry.path + QStringLiteral(": checksum error");
    }
    if (!out.flush()) {
        return entry.path + QStringLiteral(": ") + out.errorString();
    }
    out.close();
    return out.error() == QFileDevice::NoError ? QString() : entry.path + QStringLiteral(": ") + out.errorString();
}

} // namespace

bool writeFolderArchive(const QString& folder, const QString& archivePath, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (!QFileInfo(folder).isDir()) {
        return fail(QStringLiteral("The folder does not exist."));
    }
    const std::vector<FolderFile> files = listFolderFiles(folder);
    if (files.empty()) {
        return fail(QStringLiteral("The folder holds no file."));
    }
    Deflater deflater;
    if (!deflater.ready()) {
        return fail(QStringLiteral("The compressor cannot be set up."));
    }
    int code = 0;
    ZipPtr archive(zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!archive) {
        return fail(openError(code));
    }
    for (const FolderFile& file : files) {
        auto entry = std::make_unique<EntrySource>(deflater, file);
        SourcePtr source(zip_source_function(archive.get(), entrySourceCallback, entry.get()));
        if (!source) {
            return fail(archiveError(archive.get()));
        }
        entry.release(); // the source deletes it when freed
        const zip_int64_t index =
            zip_file_add(archive.get(), file.relativePath.toUtf8().constData(), source.get(), ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            return fail(archiveError(archive.get()));
        }
        source.release(); // the archive owns it now
        if (zip_file_set_external_attributes(archive.get(), static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             unixAttributes(file.info)) < 0) {
            return fail(archiveError(archive.get()));
        }
    }
    // Everything is written here; on failure the archive is left as it was.
    if (zip_close(archive.get()) < 0) {
        return fail(deflater.failure().isEmpty() ? archiveError(archive.get()) : deflater.failure());
    }
    archive.release(); // zip_close freed it
    return true;
}

ExtractResult extractArchive(const QString& archivePath, const QString& folder, std::int64_t maxTotalSize) {
    ExtractResult result;
    const auto finish = [&result](ExtractResult::Status status, const QString& why) {
        result.status = status;
        result.error = why;
        return result;
    };
    int code = 0;
    ZipPtr archive(zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!archive) {
        return finish(ExtractResult::Refused, openError(code));
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0) {
        return finish(ExtractResult::Refused, archiveError(archive.get()));
    }

    // Every entry is checked before the first byte is written.
    std::vector<CheckedEntry> entries(static_cast<std::size_t>(count));
    zip_uint64_t total = 0;
    for (zip_uint64_t i = 0; i < entries.size(); ++i) {
        const QString refusal = checkEntry(archive.get(), i, entries[i]);
        if (!refusal.isEmpty()) {
            return finish(ExtractResult::Refused, refusal);
        }
        total = entries[i].size > std::numeric_limits<zip_uint64_t>::max() - total
                    ? std::numeric_limits<zip_uint64_t>::max()
                    : total + entries[i].size;
    }
    if (maxTotalSize < 0 || total > static_cast<zip_uint64_t>(maxTotalSize)) {
        return finish(ExtractResult::TooLarge, QStringLiteral("The archive unpacks to %1 bytes.").arg(total));
    }

    const QDir target(folder);
    QSet<QString> seen;
    std::vector<char> buffer(kChunk);
    for (const CheckedEntry& entry : entries) {
        if (entry.folder) {
            if (!entry.path.isEmpty() && !target.mkpath(entry.path)) {
                return finish(ExtractResult::Failed, entry.path + QStringLiteral(": the folder cannot be made"));
            }
            if (!entry.path.isEmpty() && !seen.contains(entry.path)) {
                result.folders << entry.path;
            }
        } else {
            const QString path = target.filePath(entry.path);
            if (!target.mkpath(QFileInfo(entry.path).path())) {
                return finish(ExtractResult::Failed, entry.path + QStringLiteral(": its folder cannot be made"));
            }
            const QString failure = unpackEntry(archive.get(), entry, path, buffer);
            if (!failure.isEmpty()) {
                return finish(ExtractResult::Failed, failure);
            }
            // A name given twice is unpacked twice; the last one stands, and it moves into place once.
            if (!seen.contains(entry.path)) {
                result.files << entry.path;
            }
        }
        seen.insert(entry.path);
    }
    return finish(ExtractResult::Extracted, {});
}
