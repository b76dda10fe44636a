#include "backup/Archive.h"

#include "backup/FolderSize.h"
#include "backup/LibZip.h"
#include "backup/WorkProgress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSet>

#include <libdeflate.h>
#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct ZipDiscard {
    const LibZip* lib;
    void operator()(zip_t* archive) const { lib->zip_discard(archive); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;

struct SourceFree {
    const LibZip* lib;
    void operator()(zip_source_t* source) const { lib->zip_source_free(source); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

struct EntryClose {
    const LibZip* lib;
    void operator()(zip_file_t* file) const { lib->zip_fclose(file); }
};
using EntryPtr = std::unique_ptr<zip_file_t, EntryClose>;

// File types in the upper half of a zip entry's external attributes when it was made on a Unix system.
constexpr zip_uint32_t kTypeMask = 0170000;
constexpr zip_uint32_t kRegularFile = 0100000;
constexpr zip_uint32_t kFolder = 0040000;
constexpr zip_uint32_t kMsDosFolder = 0x10;
// Notes are private: unzip gives each file back readable and writable by its owner only.
constexpr zip_uint32_t kPrivateFile = (kRegularFile | 0600) << 16;

constexpr qint64 kChunk = 64 * 1024;

QString archiveError(const LibZip& lib, zip_t* archive) {
    return QString::fromUtf8(lib.zip_strerror(archive));
}

// A file descriptor closed when its owner goes.
class Descriptor {
public:
    Descriptor() = default;
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes the file it held; false when closing reported an error (a delayed write error, for one).
    bool reset(int fd = -1) {
        const bool closed = m_fd < 0 || ::close(m_fd) == 0;
        m_fd = fd;
        return closed;
    }

private:
    int m_fd = -1;
};

// Why no archive can be written or read at all.
QString libraryError(const QString& reason) {
    return QStringLiteral("The zip library could not be loaded: ") + reason;
}

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// The small files of an archive, each read whole and deflated by libdeflate ahead of libzip on every core. libzip takes
// its entries one after the other on the thread that closes the archive; the workers keep a bounded stretch of the
// entries that follow it ready. Files beyond kWholeFile are left to the archive's own thread, which streams them
// through a Deflater, so that memory stays bounded whatever the notes hold.
class DeflatePool {
public:
    struct Result {
        bool ready = false;
        bool streamed = false; // too large to be held whole: deflated as libzip reads it
        int error = 0;         // errno of an open or read that failed
        int zipError = ZIP_ER_OK;
        std::vector<Bytef> data;
        zip_uint64_t size = 0;
        uLong crc = 0;
        time_t modified = 0;
    };

    DeflatePool(const std::vector<FolderFile>& files, WorkProgress* progress)
        : m_files(files), m_results(files.size()), m_progress(progress) {
        const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < std::min(cores, kMaxWorkers); ++i) {
            m_workers.emplace_back([this] { work(); });
        }
    }
    ~DeflatePool() {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        for (std::thread& worker : m_workers) {
            worker.join();
        }
    }
    DeflatePool(const DeflatePool&) = delete;
    DeflatePool& operator=(const DeflatePool&) = delete;

    // The entry's result, once a worker has it. Entries are taken in order, each once.
    Result& take(std::size_t index) {
        std::unique_lock lock(m_mutex);
        m_wanted = index;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_results[index].ready; });
        return m_results[index];
    }
    // The entry is in the archive: its memory goes to the entries still to come.
    void release(std::size_t index) {
        {
            const std::lock_guard lock(m_mutex);
            Result& result = m_results[index];
            m_held -= result.data.size();
            std::vector<Bytef>().swap(result.data);
            m_wanted = index + 1;
        }
        m_changed.notify_all();
    }

private:
    static constexpr unsigned kMaxWorkers = 8;
    // The database of a hundred thousand notes (20 MB) is deflated whole: streamed through zlib's best it took three
    // times as long as all the notes together.
    static constexpr std::int64_t kWholeFile = 64 * 1024 * 1024;
    static constexpr std::size_t kHeldAhead = 64 * 1024 * 1024;
    // libdeflate's levels that pack notes and the database at least as tightly as zlib's best, several times faster:
    // notes gain nothing from more than the first, the database a further 2 % from the second.
    static constexpr int kLevel = 6;
    static constexpr int kLargeFileLevel = 7;
    static constexpr std::int64_t kLargeFile = 1024 * 1024;
    using Compressor = std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)>;

    void work() {
        const Compressor compressor(libdeflate_alloc_compressor(kLevel), libdeflate_free_compressor);
        const Compressor largeFileCompressor(libdeflate_alloc_compressor(kLargeFileLevel), libdeflate_free_compressor);
        std::vector<Bytef> input;
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock lock(m_mutex);
                // The entry libzip waits for is always taken; others while the results held stay within bounds.
                m_changed.wait(lock, [&] {
                    return m_stopping || (m_next < m_results.size() && (m_held < kHeldAhead || m_next <= m_wanted));
                });
                if (m_stopping) {
                    break;
                }
                index = m_next++;
            }
            Result result;
            if (!compressor || !largeFileCompressor) {
                result.zipError = ZIP_ER_MEMORY;
            } else if (m_progress != nullptr && m_progress->cancelled()) {
                result.zipError = ZIP_ER_CANCELLED;
            } else {
                deflateFile(m_files[index], *compressor, *largeFileCompressor, input, result);
            }
            {
                const std::lock_guard lock(m_mutex);
                m_held += result.data.size();
                result.ready = true;
                m_results[index] = std::move(result);
            }
            m_changed.notify_all();
        }
    }

    static void deflateFile(const FolderFile& file, libdeflate_compressor& small, libdeflate_compressor& large,
                            std::vector<Bytef>& input, Result& result) {
        if (file.size > kWholeFile) {
            result.streamed = true;
            return;
        }
        // As the archive's own thread does: a link that took the file's place since it was listed is not followed,
        // and the file is taken at the length it has when opened.
        Descriptor in;
        in.reset(::open(QFile::encodeName(file.path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        struct stat status {};
        if (in.get() < 0 || ::fstat(in.get(), &status) != 0) {
            result.error = errno;
            result.zipError = ZIP_ER_OPEN;
            return;
        }
        if (status.st_size > kWholeFile) {
            result.streamed = true;
            return;
        }
        input.resize(static_cast<std::size_t>(status.st_size));
        std::size_t length = 0;
        while (length < input.size()) {
            const ssize_t n = ::read(in.get(), input.data() + length, input.size() - length);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                result.error = errno;
                result.zipError = ZIP_ER_READ;
                return;
            }
            if (n == 0) {
                break; // the file shrank since it was opened
            }
            length += static_cast<std::size_t>(n);
        }
        result.size = length;
        result.crc = libdeflate_crc32(0, input.data(), length);
        result.modified = status.st_mtime;
        libdeflate_compressor& compressor = static_cast<std::int64_t>(length) < kLargeFile ? small : large;
        result.data.resize(libdeflate_deflate_compress_bound(&compressor, length));
        const std::size_t deflated =
            libdeflate_deflate_compress(&compressor, input.data(), length, result.data.data(), result.data.size());
        if (deflated == 0) {
            result.zipError = ZIP_ER_ZLIB;
            result.data.clear();
            return;
        }
        result.data.resize(deflated);
        result.data.shrink_to_fit();
    }

    const std::vector<FolderFile>& m_files;
    std::vector<Result> m_results;
    WorkProgress* m_progress;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_next = 0;   // the next entry for a worker
    std::size_t m_wanted = 0; // the entry libzip reads or reads next
    std::size_t m_held = 0;   // bytes of deflated data not yet taken into the archive
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

// The entries as libzip reads them: small files as the pool deflated them, large ones through one deflate stream and
// one read buffer that serve every such entry in turn. Left to itself libzip sets up a compressor for each entry,
// and with thousands of small notes the allocation and release of its state (a quarter of a megabyte each time)
// made glibc grow and trim the heap for every file, which cost more than the compression.
class Deflater {
public:
    Deflater(const LibZip& lib, DeflatePool& pool, WorkProgress* progress)
        : m_lib(lib), m_pool(pool), m_progress(progress) {
        m_ready = deflateInit2(&m_stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
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

    bool begin(std::size_t index, const FolderFile& file, zip_error_t* error) {
        // libzip reads its entries one after the other; the shared stream relies on that.
        if (m_file.get() >= 0 || m_whole != nullptr || deflateReset(&m_stream) != Z_OK) {
            m_lib.zip_error_set(error, ZIP_ER_INTERNAL, 0);
            return false;
        }
        if (m_progress != nullptr && m_progress->cancelled()) {
            m_failure = QStringLiteral("Cancelled.");
            m_lib.zip_error_set(error, ZIP_ER_CANCELLED, 0);
            return false;
        }
        m_name = file.relativePath;
        m_index = index;
        DeflatePool::Result& deflated = m_pool.take(index);
        if (deflated.zipError != ZIP_ER_OK) {
            m_pool.release(index);
            return fail(deflated.error, deflated.zipError, error);
        }
        m_finished = false;
        if (!deflated.streamed) {
            m_whole = &deflated;
            m_offset = 0;
            return true;
        }
        // Plain system calls: one open, one status and, for a small note, one read. A link that took the file's
        // place since it was listed is not followed.
        m_file.reset(::open(QFile::encodeName(file.path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        struct stat status {};
        if (m_file.get() < 0 || ::fstat(m_file.get(), &status) != 0) {
            return fail(errno, ZIP_ER_OPEN, error);
        }
        m_remaining = status.st_size;
        m_modified = status.st_mtime;
        m_bytesRead = 0;
        m_crc = crc32(0, nullptr, 0);
        m_inputDone = false;
        m_finished = false;
        m_stream.avail_in = 0;
        return true;
    }

    zip_int64_t read(void* data, zip_uint64_t length, zip_error_t* error) {
        if (m_whole != nullptr) {
            const std::size_t n = std::min<std::size_t>(length, m_whole->data.size() - m_offset);
            std::memcpy(data, m_whole->data.data() + m_offset, n);
            m_offset += n;
            m_finished = m_offset == m_whole->data.size();
            return static_cast<zip_int64_t>(n);
        }
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
                m_lib.zip_error_set(error, ZIP_ER_ZLIB, result);
                return -1;
            }
        }
        return wanted - m_stream.avail_out;
    }

    // Ends the entry; what its header needs, once it was read to its end.
    std::optional<zip_stat_t> end() {
        m_file.reset();
        const DeflatePool::Result* whole = std::exchange(m_whole, nullptr);
        const auto release = qScopeGuard([&] { m_pool.release(m_index); });
        if (!m_finished) {
            return std::nullopt;
        }
        if (m_progress != nullptr) {
            m_progress->fileDone();
        }
        zip_stat_t stat;
        m_lib.zip_stat_init(&stat);
        stat.valid = ZIP_STAT_SIZE | ZIP_STAT_CRC | ZIP_STAT_MTIME;
        stat.size = whole != nullptr ? whole->size : m_bytesRead;
        stat.crc = static_cast<zip_uint32_t>(whole != nullptr ? whole->crc : m_crc);
        stat.mtime = whole != nullptr ? whole->modified : m_modified;
        return stat;
    }

private:
    bool fail(int code, int zipError, zip_error_t* error) {
        m_failure = m_name + QStringLiteral(": ") +
                    (code != 0 ? systemError(code) : QStringLiteral("the file could not be compressed"));
        m_lib.zip_error_set(error, zipError, code);
        m_file.reset();
        return false;
    }

    bool fill(zip_error_t* error) {
        // Reading exactly the length the file had when opened spares a second read to find its end.
        const auto wanted = static_cast<std::size_t>(std::min<off_t>(m_remaining, static_cast<off_t>(m_input.size())));
        ssize_t n = 0;
        if (wanted > 0) {
            do {
                n = ::read(m_file.get(), m_input.data(), wanted);
            } while (n < 0 && errno == EINTR);
        }
        if (n < 0) {
            return fail(errno, ZIP_ER_READ, error);
        }
        m_crc = crc32(m_crc, m_input.data(), static_cast<uInt>(n));
        m_bytesRead += static_cast<zip_uint64_t>(n);
        m_remaining -= n;
        // Nothing read means the file shrank since it was opened.
        m_inputDone = n == 0 || m_remaining == 0;
        m_stream.next_in = m_input.data();
        m_stream.avail_in = static_cast<uInt>(n);
        return true;
    }

    const LibZip& m_lib;
    DeflatePool& m_pool;
    WorkProgress* m_progress;
    std::size_t m_index = 0;
    const DeflatePool::Result* m_whole = nullptr; // the entry being read, deflated already
    std::size_t m_offset = 0;
    z_stream m_stream{};
    bool m_ready = false;
    std::vector<Bytef> m_input = std::vector<Bytef>(kChunk);
    Descriptor m_file;
    QString m_name;
    off_t m_remaining = 0;
    time_t m_modified = 0;
    zip_uint64_t m_bytesRead = 0;
    uLong m_crc = 0;
    bool m_inputDone = false;
    bool m_finished = false;
    QString m_failure;
};

// A libzip source that hands over one file already deflated, so that libzip copies the data as it comes.
struct EntrySource {
    EntrySource(const LibZip& lib, Deflater& deflater, std::size_t index, const FolderFile& file)
        : lib(lib), deflater(deflater), index(index), file(file) {
        lib.zip_error_init(&error);
    }
    ~EntrySource() { lib.zip_error_fini(&error); }
    EntrySource(const EntrySource&) = delete;
    EntrySource& operator=(const EntrySource&) = delete;

    const LibZip& lib;
    Deflater& deflater;
    std::size_t index;
    FolderFile file;
    zip_error_t error;
    std::optional<zip_stat_t> read; // length, checksum and time, once the entry was read
};

zip_int64_t entrySourceCallback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* entry = static_cast<EntrySource*>(userdata);
    const LibZip& lib = entry->lib;
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return entry->deflater.begin(entry->index, entry->file, &entry->error) ? 0 : -1;
    case ZIP_SOURCE_READ:
        return entry->deflater.read(data, length, &entry->error);
    case ZIP_SOURCE_CLOSE:
        entry->read = entry->deflater.end();
        return 0;
    case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) {
            lib.zip_error_set(&entry->error, ZIP_ER_INVAL, 0);
            return -1;
        }
        auto* stat = static_cast<zip_stat_t*>(data);
        if (entry->read) {
            *stat = *entry->read;
        } else {
            // Before reading, the listed length sizes the entry's first header; the second one has it all.
            lib.zip_stat_init(stat);
            stat->valid = ZIP_STAT_SIZE;
            stat->size = static_cast<zip_uint64_t>(entry->file.size);
        }
        stat->valid |= ZIP_STAT_COMP_METHOD;
        stat->comp_method = ZIP_CM_DEFLATE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return lib.zip_error_to_data(&entry->error, data, length);
    case ZIP_SOURCE_FREE:
        delete entry;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return lib.zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        lib.zip_error_set(&entry->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// The archive file, written through one buffer. libzip writes each entry's header twice, before and after its
// data; on its own stdio stream every seek back flushed the stream and read it in again.
class ArchiveWriter {
public:
    ArchiveWriter(const LibZip& lib, const QString& path) : m_lib(lib), m_path(QFile::encodeName(path)) {
        m_lib.zip_error_init(&m_error);
        m_buffer.reserve(kFlushSize + kChunk);
    }
    ~ArchiveWriter() { m_lib.zip_error_fini(&m_error); }
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    static zip_int64_t callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        return static_cast<ArchiveWriter*>(userdata)->command(data, length, command);
    }

private:
    static constexpr std::size_t kFlushSize = 1024 * 1024;

    zip_int64_t command(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
        case ZIP_SOURCE_STAT:
            // There is no archive yet: libzip starts a new one and never reads from this source.
            return fail(ZIP_ER_READ, ENOENT);
        case ZIP_SOURCE_BEGIN_WRITE:
            m_buffer.clear();
            m_flushed = m_position = m_size = 0;
            m_file.reset(::open(m_path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
            return m_file.get() < 0 ? fail(ZIP_ER_OPEN, errno) : 0;
        case ZIP_SOURCE_WRITE:
            return write(static_cast<const char*>(data), static_cast<std::size_t>(length))
                       ? static_cast<zip_int64_t>(length)
                       : -1;
        case ZIP_SOURCE_SEEK_WRITE: {
            const zip_int64_t position =
                m_lib.zip_source_seek_compute_offset(m_position, m_size, data, length, &m_error);
            if (position < 0) {
                return -1;
            }
            m_position = static_cast<zip_uint64_t>(position);
            return 0;
        }
        case ZIP_SOURCE_TELL_WRITE:
            return static_cast<zip_int64_t>(m_position);
        case ZIP_SOURCE_COMMIT_WRITE:
            // The archive alone goes to the disk: syncing its whole file system would also wait for what every
            // other program wrote.
            if (!flush()) {
                return -1;
            }
            if (::fsync(m_file.get()) != 0) {
                return fail(ZIP_ER_WRITE, errno);
            }
            return m_file.reset() ? 0 : fail(ZIP_ER_CLOSE, errno);
        case ZIP_SOURCE_ROLLBACK_WRITE:
        case ZIP_SOURCE_REMOVE:
            m_file.reset();
            ::unlink(m_path.constData());
            return 0;
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_ERROR:
            return m_lib.zip_error_to_data(&m_error, data, length);
        case ZIP_SOURCE_SUPPORTS:
            // Declared readable and seekable as libzip requires of an archive's source; only writing is used.
            return m_lib.zip_source_make_command_bitmap(
                ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE,
                ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE,
                ZIP_SOURCE_REMOVE, -1);
        default:
            return fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

    zip_int64_t fail(int zipError, int code) {
        m_lib.zip_error_set(&m_error, zipError, code);
        return -1;
    }

    bool writeAt(const char* data, std::size_t length, zip_uint64_t offset) {
        while (length > 0) {
            const ssize_t n = ::pwrite(m_file.get(), data, length, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                fail(ZIP_ER_WRITE, n < 0 ? errno : ENOSPC);
                return false;
            }
            data += n;
            length -= static_cast<std::size_t>(n);
            offset += static_cast<zip_uint64_t>(n);
        }
        return true;
    }

    bool write(const char* data, std::size_t length) {
        if (m_position < m_flushed) {
            // The header of an entry larger than the buffer, already on disk: written in place.
            const auto direct = static_cast<std::size_t>(std::min<zip_uint64_t>(length, m_flushed - m_position));
            if (!writeAt(data, direct, m_position)) {
                return false;
            }
            data += direct;
            length -= direct;
            m_position += direct;
        }
        if (length > 0) {
            const auto at = static_cast<std::size_t>(m_position - m_flushed);
            if (m_buffer.size() < at + length) {
                m_buffer.resize(at + length);
            }
            std::memcpy(m_buffer.data() + at, data, length);
            m_position += length;
        }
        m_size = std::max(m_size, m_position);
        return m_buffer.size() < kFlushSize || flush();
    }

    bool flush() {
        if (!writeAt(m_buffer.data(), m_buffer.size(), m_flushed)) {
            return false;
        }
        m_flushed += m_buffer.size();
        m_buffer.clear();
        return true;
    }

    const LibZip& m_lib;
    QByteArray m_path;
    Descriptor m_file;
    zip_error_t m_error;
    std::vector<char> m_buffer; // what belongs at m_flushed and after
    zip_uint64_t m_flushed = 0;
    zip_uint64_t m_position = 0;
    zip_uint64_t m_size = 0;
};

// The archive being unpacked, read through one buffer. libzip seeks to each entry's header and then to its data;
// on its own stdio stream every seek cost system calls of its own, four for every note.
class ArchiveReader {
public:
    ArchiveReader(const LibZip& lib, const QString& path) : m_lib(lib), m_path(QFile::encodeName(path)) {
        m_lib.zip_error_init(&m_error);
    }
    ~ArchiveReader() { m_lib.zip_error_fini(&m_error); }
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    static zip_int64_t callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        return static_cast<ArchiveReader*>(userdata)->command(data, length, command);
    }

private:
    zip_int64_t command(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
        case ZIP_SOURCE_OPEN:
            m_position = 0;
            return openFile() ? 0 : -1;
        case ZIP_SOURCE_READ:
            return read(static_cast<char*>(data), length);
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            if (length < sizeof(zip_stat_t)) {
                return fail(ZIP_ER_INVAL, 0);
            }
            if (!openFile()) {
                return -1;
            }
            auto* stat = static_cast<zip_stat_t*>(data);
            m_lib.zip_stat_init(stat);
            stat->valid = ZIP_STAT_SIZE;
            stat->size = m_size;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t position =
                m_lib.zip_source_seek_compute_offset(m_position, m_size, data, length, &m_error);
            if (position < 0) {
                return -1;
            }
            m_position = static_cast<zip_uint64_t>(position);
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return static_cast<zip_int64_t>(m_position);
        case ZIP_SOURCE_ERROR:
            return m_lib.zip_error_to_data(&m_error, data, length);
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return m_lib.zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                        ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                                        ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, -1);
        default:
            return fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

    zip_int64_t fail(int zipError, int code) {
        m_lib.zip_error_set(&m_error, zipError, code);
        return -1;
    }

    bool openFile() {
        if (m_file.get() >= 0) {
            return true;
        }
        m_file.reset(::open(m_path.constData(), O_RDONLY | O_CLOEXEC));
        struct stat status {};
        if (m_file.get() < 0 || ::fstat(m_file.get(), &status) != 0) {
            fail(ZIP_ER_OPEN, errno);
            m_file.reset();
            return false;
        }
        m_size = static_cast<zip_uint64_t>(status.st_size);
        return true;
    }

    zip_int64_t read(char* data, zip_uint64_t length) {
        zip_uint64_t done = 0;
        while (done < length && m_position < m_size) {
            if (m_position < m_bufferStart || m_position >= m_bufferStart + m_bufferLength) {
                ssize_t n = 0;
                do {
                    n = ::pread(m_file.get(), m_buffer.data(), m_buffer.size(), static_cast<off_t>(m_position));
                } while (n < 0 && errno == EINTR);
                if (n < 0) {
                    return fail(ZIP_ER_READ, errno);
                }
                if (n == 0) {
                    break; // the file is shorter than it was
                }
                m_bufferStart = m_position;
                m_bufferLength = static_cast<zip_uint64_t>(n);
            }
            const zip_uint64_t offset = m_position - m_bufferStart;
            const zip_uint64_t n = std::min(length - done, m_bufferLength - offset);
            std::memcpy(data + done, m_buffer.data() + offset, static_cast<std::size_t>(n));
            done += n;
            m_position += n;
        }
        return static_cast<zip_int64_t>(done);
    }

    const LibZip& m_lib;
    QByteArray m_path;
    Descriptor m_file;
    zip_error_t m_error;
    std::vector<char> m_buffer = std::vector<char>(kChunk);
    zip_uint64_t m_bufferStart = 0;
    zip_uint64_t m_bufferLength = 0;
    zip_uint64_t m_size = 0;
    zip_uint64_t m_position = 0;
};

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
QString checkEntry(const LibZip& lib, zip_t* archive, zip_uint64_t index, CheckedEntry& entry) {
    zip_stat_t stat;
    if (lib.zip_stat_index(archive, index, 0, &stat) < 0 || (stat.valid & ZIP_STAT_NAME) == 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0) {
        return QStringLiteral("entry %1 cannot be read").arg(index);
    }
    const QString name = QString::fromUtf8(stat.name);
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE) {
        return name + QStringLiteral(": encrypted");
    }
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (lib.zip_file_get_external_attributes(archive, index, 0, &system, &attributes) < 0) {
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
QString unpackEntry(const LibZip& lib, zip_t* archive, const CheckedEntry& entry, const QString& path,
                    std::vector<char>& buffer) {
    EntryPtr in(lib.zip_fopen_index(archive, entry.index, 0), EntryClose{&lib});
    if (!in) {
        return entry.path + QStringLiteral(": ") + archiveError(lib, archive);
    }
    // Plain system calls: one open, the writes and one close for each note.
    Descriptor out;
    out.reset(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0) {
        return entry.path + QStringLiteral(": ") + systemError(errno);
    }
    zip_uint64_t written = 0;
    for (;;) {
        const zip_int64_t n = lib.zip_fread(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            return entry.path + QStringLiteral(": ") + QString::fromUtf8(lib.zip_file_strerror(in.get()));
        }
        if (n == 0) {
            break;
        }
        written += static_cast<zip_uint64_t>(n);
        if (written > entry.size) {
            return entry.path + QStringLiteral(": larger than declared");
        }
        for (zip_int64_t at = 0; at < n;) {
            const ssize_t put = ::write(out.get(), buffer.data() + at, static_cast<std::size_t>(n - at));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return entry.path + QStringLiteral(": ") + systemError(put < 0 ? errno : ENOSPC);
            }
            at += put;
        }
    }
    if (written != entry.size) {
        return entry.path + QStringLiteral(": shorter than declared");
    }
    if (lib.zip_fclose(in.release()) != 0) {
        return entry.path + QStringLiteral(": checksum error");
    }
    return out.reset() ? QString() : entry.path + QStringLiteral(": ") + systemError(errno);
}

// A folder's files looked up without following a link on the way.
class FolderHandle {
public:
    explicit FolderHandle(const QString& path) {
        if (!path.isEmpty()) {
            m_folder.reset(::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
    }
    bool valid() const { return m_folder.get() >= 0; }
    // Opens relative (clean, without "..") for reading; -1 when a part of it is missing or is a link.
    int open(const QString& relative) const {
        const QByteArray path = QFile::encodeName(relative);
        int at = m_folder.get();
        Descriptor parent;
        qsizetype start = 0;
        for (qsizetype slash = path.indexOf('/'); slash >= 0; slash = path.indexOf('/', start)) {
            const int next = ::openat(at, path.mid(start, slash - start).constData(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0) {
                return -1;
            }
            parent.reset(next);
            at = next;
            start = slash + 1;
        }
        return ::openat(at, path.mid(start).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    }

private:
    Descriptor m_folder;
};

enum class Comparison { Same, Different, Failed };

// Whether the file at the entry's path below folder holds exactly the entry's bytes. Same only once the entry was
// read to its end and passed its checksum; Failed (with the reason) when the entry cannot be read.
Comparison compareEntry(const LibZip& lib, zip_t* archive, const CheckedEntry& entry, const FolderHandle& folder,
                        std::vector<char>& buffer, std::vector<char>& there, QString& failure) {
    Descriptor file;
    file.reset(folder.open(entry.path));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<zip_uint64_t>(status.st_size) != entry.size) {
        return Comparison::Different;
    }
    EntryPtr in(lib.zip_fopen_index(archive, entry.index, 0), EntryClose{&lib});
    if (!in) {
        failure = entry.path + QStringLiteral(": ") + archiveError(lib, archive);
        return Comparison::Failed;
    }
    there.resize(buffer.size());
    zip_uint64_t compared = 0;
    for (;;) {
        const zip_int64_t n = lib.zip_fread(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            failure = entry.path + QStringLiteral(": ") + QString::fromUtf8(lib.zip_file_strerror(in.get()));
            return Comparison::Failed;
        }
        if (n == 0) {
            break;
        }
        compared += static_cast<zip_uint64_t>(n);
        if (compared > entry.size) {
            return Comparison::Different; // unpacking it tells why
        }
        for (zip_int64_t at = 0; at < n;) {
            const ssize_t got = ::read(file.get(), there.data() + at, static_cast<std::size_t>(n - at));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return Comparison::Different;
            }
            at += got;
        }
        if (std::memcmp(buffer.data(), there.data(), static_cast<std::size_t>(n)) != 0) {
            return Comparison::Different;
        }
    }
    if (compared != entry.size) {
        return Comparison::Different;
    }
    if (lib.zip_fclose(in.release()) != 0) {
        failure = entry.path + QStringLiteral(": checksum error");
        return Comparison::Failed;
    }
    return Comparison::Same;
}

// The files of one name in an archive, in archive order, and whether the folder compared with held it already.
struct UnpackedName {
    QString path;
    std::vector<const CheckedEntry*> entries;
    bool inPlace = false;
};

// Unpacking spreads over at most this many threads, each with at least this many names.
constexpr unsigned kMaxThreads = 8;
constexpr std::size_t kNamesPerThread = 64;

// The archive opened once more for one thread: libzip's handles are not shared between threads.
class ArchiveHandle {
public:
    ArchiveHandle(const LibZip& lib, const QString& path) : m_lib(lib), m_reader(lib, path) {
        zip_error_t error;
        lib.zip_error_init(&error);
        SourcePtr input(lib.zip_source_function_create(ArchiveReader::callback, &m_reader, &error), SourceFree{&lib});
        m_archive = input ? lib.zip_open_from_source(input.get(), ZIP_RDONLY, &error) : nullptr;
        if (m_archive != nullptr) {
            input.release(); // the archive owns it now
        }
        lib.zip_error_fini(&error);
    }
    ~ArchiveHandle() {
        if (m_archive != nullptr) {
            m_lib.zip_discard(m_archive);
        }
    }
    ArchiveHandle(const ArchiveHandle&) = delete;
    ArchiveHandle& operator=(const ArchiveHandle&) = delete;
    zip_t* archive() const { return m_archive; }

private:
    const LibZip& m_lib;
    ArchiveReader m_reader; // read through until the archive is freed
    zip_t* m_archive = nullptr;
};

} // namespace

bool writeFolderArchive(const QString& folder, const QString& archivePath, QString* error, WorkProgress* progress,
                        const FolderListing* listing) {
    const auto fail = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (!QFileInfo(folder).isDir()) {
        return fail(QStringLiteral("The folder does not exist."));
    }
    const FolderListing own = listing != nullptr ? FolderListing{} : listFolder(folder);
    const FolderListing& listed = listing != nullptr ? *listing : own;
    const std::vector<FolderFile>& files = listed.files;
    // Left out, such a file would be missing from the backup without a word.
    if (!listed.unnamed.isEmpty()) {
        return fail(QStringLiteral("A file name cannot be read: ") + listed.unnamed.first());
    }
    if (files.empty()) {
        return fail(QStringLiteral("The folder holds no file."));
    }
    if (progress != nullptr) {
        progress->startStage(0, static_cast<int>(files.size()));
    }
    QString reason;
    const LibZip* loaded = libZip(&reason);
    if (loaded == nullptr) {
        return fail(libraryError(reason));
    }
    const LibZip& lib = *loaded;
    DeflatePool pool(files, progress);
    Deflater deflater(lib, pool, progress);
    if (!deflater.ready()) {
        return fail(QStringLiteral("The compressor cannot be set up."));
    }
    // Declared before the archive, which uses it until it is freed.
    ArchiveWriter writer(lib, archivePath);
    zip_error_t openError;
    lib.zip_error_init(&openError);
    const auto releaseError = qScopeGuard([&lib, &openError] { lib.zip_error_fini(&openError); });
    SourcePtr output(lib.zip_source_function_create(ArchiveWriter::callback, &writer, &openError), SourceFree{&lib});
    ZipPtr archive(output ? lib.zip_open_from_source(output.get(), ZIP_CREATE | ZIP_TRUNCATE, &openError) : nullptr,
                   ZipDiscard{&lib});
    if (!archive) {
        return fail(QString::fromUtf8(lib.zip_error_strerror(&openError)));
    }
    output.release(); // the archive owns it now
    for (std::size_t i = 0; i < files.size(); ++i) {
        const FolderFile& file = files[i];
        auto entry = std::make_unique<EntrySource>(lib, deflater, i, file);
        SourcePtr source(lib.zip_source_function(archive.get(), entrySourceCallback, entry.get()), SourceFree{&lib});
        if (!source) {
            return fail(archiveError(lib, archive.get()));
        }
        entry.release(); // the source deletes it when freed
        const zip_int64_t index =
            lib.zip_file_add(archive.get(), file.relativePath.toUtf8().constData(), source.get(), ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            return fail(archiveError(lib, archive.get()));
        }
        source.release(); // the archive owns it now
        if (lib.zip_file_set_external_attributes(archive.get(), static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                                 kPrivateFile) < 0) {
            return fail(archiveError(lib, archive.get()));
        }
    }
    // Everything is written here; on failure libzip rolls the writer back, which removes the file.
    if (lib.zip_close(archive.get()) < 0) {
        return fail(deflater.failure().isEmpty() ? archiveError(lib, archive.get()) : deflater.failure());
    }
    archive.release(); // zip_close freed it
    return true;
}

ExtractResult extractArchive(const QString& archivePath, const QString& folder, std::int64_t maxTotalSize,
                             WorkProgress* progress, const QString& compareWith) {
    ExtractResult result;
    const auto finish = [&result](ExtractResult::Status status, const QString& why) {
        result.status = status;
        result.error = why;
        return result;
    };
    QString reason;
    const LibZip* loaded = libZip(&reason);
    if (loaded == nullptr) {
        return finish(ExtractResult::Failed, libraryError(reason));
    }
    const LibZip& lib = *loaded;
    // Declared before the archive, which reads through it until it is freed.
    ArchiveReader reader(lib, archivePath);
    zip_error_t openError;
    lib.zip_error_init(&openError);
    const auto releaseError = qScopeGuard([&lib, &openError] { lib.zip_error_fini(&openError); });
    SourcePtr input(lib.zip_source_function_create(ArchiveReader::callback, &reader, &openError), SourceFree{&lib});
    // No consistency check of the local headers against the central directory: archives written to a pipe (sizes and
    // checksums in data descriptors after the data) fail it, yet are sound. Names, sizes and types come from the
    // central directory alone, and every entry's data is held to its declared size and checksum as it is unpacked.
    ZipPtr archive(input ? lib.zip_open_from_source(input.get(), ZIP_RDONLY, &openError) : nullptr, ZipDiscard{&lib});
    if (!archive) {
        return finish(ExtractResult::Refused, QString::fromUtf8(lib.zip_error_strerror(&openError)));
    }
    input.release(); // the archive owns it now
    const zip_int64_t count = lib.zip_get_num_entries(archive.get(), 0);
    if (count < 0) {
        return finish(ExtractResult::Refused, archiveError(lib, archive.get()));
    }

    // Every entry is checked before the first byte is written.
    std::vector<CheckedEntry> entries(static_cast<std::size_t>(count));
    zip_uint64_t total = 0;
    for (zip_uint64_t i = 0; i < entries.size(); ++i) {
        const QString refusal = checkEntry(lib, archive.get(), i, entries[i]);
        if (!refusal.isEmpty()) {
            return finish(ExtractResult::Refused, refusal);
        }
        total = entries[i].size > std::numeric_limits<zip_uint64_t>::max() - total
                    ? std::numeric_limits<zip_uint64_t>::max()
                    : total + entries[i].size;
    }
    if (progress != nullptr && progress->cancelled()) {
        return finish(ExtractResult::Cancelled, {});
    }
    if (maxTotalSize < 0 || total > static_cast<zip_uint64_t>(maxTotalSize)) {
        return finish(ExtractResult::TooLarge, QStringLiteral("The archive unpacks to %1 bytes.").arg(total));
    }

    // The folders first, in archive order; then each name the files have, with its entries in archive order.
    const QDir target(folder);
    QSet<QString> made = {QString()};
    const auto makeFolder = [&](const QString& relative) {
        if (made.contains(relative)) {
            return true;
        }
        const bool ok = target.mkpath(relative);
        if (ok) {
            made.insert(relative);
        }
        return ok;
    };
    std::vector<UnpackedName> names;
    QHash<QString, std::size_t> nameIndex;
    int fileCount = 0;
    for (const CheckedEntry& entry : entries) {
        if (entry.folder) {
            if (!makeFolder(entry.path)) {
                return finish(ExtractResult::Failed, entry.path + QStringLiteral(": the folder cannot be made"));
            }
            if (!entry.path.isEmpty() && !nameIndex.contains(entry.path) && !result.folders.contains(entry.path)) {
                result.folders << entry.path;
            }
            continue;
        }
        const qsizetype slash = entry.path.lastIndexOf(QLatin1Char('/'));
        if (!makeFolder(slash < 0 ? QString() : entry.path.left(slash))) {
            return finish(ExtractResult::Failed, entry.path + QStringLiteral(": its folder cannot be made"));
        }
        ++fileCount;
        const auto found = nameIndex.constFind(entry.path);
        if (found != nameIndex.cend()) {
            names[*found].entries.push_back(&entry);
        } else {
            nameIndex.insert(entry.path, names.size());
            names.push_back({entry.path, {&entry}, false});
        }
    }
    if (progress != nullptr) {
        progress->startStage(0, fileCount);
    }
    // Every core inflates: each thread reads the archive through a handle of its own and takes the next name.
    const FolderHandle existing(compareWith);
    // Worked out here: QDir resolves its paths lazily, which threads must not do at once.
    const QString base = target.absolutePath() + QLatin1Char('/');
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex failed;
    QString failure;
    bool cancelled = false;
    const auto unpackNames = [&](zip_t* handle) {
        std::vector<char> buffer(kChunk);
        std::vector<char> there;
        for (std::size_t i = next++; i < names.size() && !stop; i = next++) {
            if (progress != nullptr && progress->cancelled()) {
                const std::lock_guard lock(failed);
                cancelled = true;
                stop = true;
                return;
            }
            UnpackedName& name = names[i];
            QString why;
            // A name given twice is unpacked twice; the last one stands, and it moves into place once.
            const Comparison comparison =
                existing.valid() && name.entries.size() == 1 && name.path != QStringLiteral("data.mdb")
                    ? compareEntry(lib, handle, *name.entries.front(), existing, buffer, there, why)
                    : Comparison::Different;
            name.inPlace = comparison == Comparison::Same;
            if (comparison == Comparison::Different) {
                for (const CheckedEntry* entry : name.entries) {
                    why = unpackEntry(lib, handle, *entry, base + name.path, buffer);
                    if (!why.isEmpty()) {
                        break;
                    }
                }
            }
            if (!why.isEmpty()) {
                const std::lock_guard lock(failed);
                if (failure.isEmpty()) {
                    failure = why;
                }
                stop = true;
                return;
            }
            if (progress != nullptr) {
                for (std::size_t n = 0; n < name.entries.size(); ++n) {
                    progress->fileDone();
                }
            }
        }
    };
    std::vector<std::unique_ptr<ArchiveHandle>> handles;
    const unsigned threads = std::min<unsigned>({std::max(1U, std::thread::hardware_concurrency()), kMaxThreads,
                                                 static_cast<unsigned>(names.size() / kNamesPerThread + 1)});
    for (unsigned i = 1; i < threads; ++i) {
        auto handle = std::make_unique<ArchiveHandle>(lib, archivePath);
        if (handle->archive() == nullptr) {
            break; // the threads that opened the archive do the work
        }
        handles.push_back(std::move(handle));
    }
    std::vector<std::thread> helpers;
    for (const auto& handle : handles) {
        helpers.emplace_back(unpackNames, handle->archive());
    }
    unpackNames(archive.get());
    for (std::thread& helper : helpers) {
        helper.join();
    }
    if (cancelled) {
        return finish(ExtractResult::Cancelled, {});
    }
    if (!failure.isEmpty()) {
        return finish(ExtractResult::Failed, failure);
    }
    for (const UnpackedName& name : names) {
        (name.inPlace ? result.inPlace : result.files) << name.path;
    }
    return finish(ExtractResult::Extracted, {});
}
