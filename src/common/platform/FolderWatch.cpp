#include "common/platform/FolderWatch.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                      IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

} // namespace

FolderWatch::FolderWatch(const QString& folder) : m_folder(folder) {
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    watch();
}

FolderWatch::~FolderWatch() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool FolderWatch::watch() {
    if (m_fd < 0) {
        return false;
    }
    if (m_watch >= 0) {
        ::inotify_rm_watch(m_fd, m_watch);
    }
    m_watch = ::inotify_add_watch(m_fd, QFile::encodeName(m_folder).constData(), kFileEvents | IN_ONLYDIR);
    return m_watch >= 0;
}

FolderWatch::Changes FolderWatch::take() {
    Changes changes;
    if (m_fd < 0) {
        changes.lostTrack = true;
        return changes;
    }
    QSet<QString> seen;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if ((event->mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
                changes.lostTrack = true;
                continue;
            }
            if (event->len > 0) {
                const QString name = QFile::decodeName(event->name);
                if (!seen.contains(name)) {
                    seen.insert(name);
                    changes.names.append(name);
                }
            }
        }
    }
    // Not watching (the folder was missing or replaced): whatever happened is unknown.
    if (changes.lostTrack || m_watch < 0) {
        changes.lostTrack = true;
        watch();
    }
    return changes;
}
