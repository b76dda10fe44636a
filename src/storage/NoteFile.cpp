#include "storage/NoteFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kLetters = 26;

// A number below n, each with the same chance: draws that fall in the incomplete last round are drawn again.
std::uint32_t uniformBelow(const std::function<std::uint32_t()>& random, std::uint32_t n) {
    constexpr std::uint64_t range = std::uint64_t{1} << 32;
    const std::uint64_t limit = range - range % n;
    for (;;) {
        const std::uint32_t draw = random();
        if (draw < limit) {
            return draw % n;
        }
    }
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

NoteReadResult readError(int number, const char* description) {
    NoteReadResult result;
    result.errorNumber = number;
    result.errorDescription = QString::fromLatin1(description);
    return result;
}

} // namespace

void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString MakeRandomKey(const std::function<std::uint32_t()>& random, int mode, int length) {
    QString key;
    if (mode != 1 || length < 1) {
        return key;
    }
    key.reserve(length);
    for (int i = 0; i < length; ++i) {
        // The top bit picks the case, as a draw below one half did in the classic generator.
        const char first = (random() >> 31) == 0 ? 'A' : 'a';
        key += QLatin1Char(static_cast<char>(first + static_cast<char>(uniformBelow(random, kLetters))));
    }
    return key;
}

QString withBoxLineEnds(const QString& text) {
    const auto isBreak = [](QChar c) {
        return c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    };
    // Most texts have none of these: they are passed on as they are, without a copy.
    const qsizetype first = std::find_if(text.cbegin(), text.cend(), isBreak) - text.cbegin();
    if (first == text.size()) {
        return text;
    }
    QString lines;
    lines.reserve(text.size());
    lines.append(QStringView(text).first(first));
    for (qsizetype i = first; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!isBreak(c)) {
            lines.append(c);
            continue;
        }
        lines.append(u'\n');
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++i;
        }
    }
    return lines;
}

QByteArray noteTextToFileBytes(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // The line and paragraph separators break lines too; a lone CR is a character of the text.
    lines.replace(QChar::LineSeparator, QLatin1Char('\n'));
    lines.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    lines += QLatin1String("\r\n");
    return lines.toUtf8();
}

NoteWriteResult writeNoteFile(const QString& path, const QString& text) {
    NoteWriteResult result;
    const QByteArray name = QFile::encodeName(path);
    // Written through the system's own calls, so that every failure keeps the system's reason (a full disk, a file
    // too large, no permission) for the message that reports it.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        result.alreadyExists = errno == EEXIST;
        result.error = systemError();
        return result;
    }
    const QByteArray bytes = noteTextToFileBytes(text);
    qsizetype written = 0;
    while (written < bytes.size() && result.error.isEmpty()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, static_cast<std::size_t>(bytes.size() - written));
        if (n > 0) {
            written += n;
        } else if (n == 0) {
            errno = EIO; // nothing taken and no reason given
            result.error = systemError();
        } else if (errno != EINTR) {
            result.error = systemError();
        }
    }
    if (result.error.isEmpty() && ::fsync(fd) != 0) {
        result.error = systemError();
    }
    if (::close(fd) != 0 && result.error.isEmpty()) {
        result.error = systemError();
    }
    if (!result.error.isEmpty()) {
        ::unlink(name.constData());
        return result;
    }
    syncFolder(QFileInfo(path).absolutePath());
    result.ok = true;
    return result;
}

NoteReadResult readNoteFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return readError(53, "File not found");
    }
    if (info.isDir()) {
        return readError(75, "Path/File access error");
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QFileInfo::exists(path) ? readError(70, "Permission denied") : readError(53, "File not found");
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return readError(57, "Device I/O error");
    }
    if (bytes.isEmpty()) {
        return readError(5, "Invalid procedure call or argument");
    }
    // CR LF becomes LF in one pass over the bytes (neither byte occurs inside a longer UTF-8 sequence): replacing
    // in the decoded text moves the rest of the text for every batch of lines, minutes for a note of 100 MB. The
    // line end that ends the file goes.
    char* const data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype kept = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] != '\r' || i + 1 == size || data[i + 1] != '\n') {
            data[kept++] = data[i];
        }
    }
    if (kept > 0 && data[kept - 1] == '\n') {
        --kept;
    }
    bytes.truncate(kept);
    NoteReadResult result;
    result.ok = true;
    result.text = QString::fromUtf8(bytes);
    return result;
}
