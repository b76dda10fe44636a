#include "common/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char kAnswer[] = "ok\n";

QString instanceName(const QString& programFolder) {
    const QString canonical = QFileInfo(programFolder).canonicalFilePath();
    const QByteArray hash =
        QCryptographicHash::hash((canonical.isEmpty() ? programFolder : canonical).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QStringLiteral("scribbet-") + QString::fromLatin1(hash);
}

QString lockFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder;
}

// The socket's address; false when the path does not fit into one.
bool socketAddress(const QString& path, sockaddr_un& address) {
    const QByteArray encoded = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (encoded.isEmpty() || static_cast<std::size_t>(encoded.size()) >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, encoded.constData(), static_cast<std::size_t>(encoded.size()));
    return true;
}

sockaddr* asSocketAddress(sockaddr_un& address) {
    return reinterpret_cast<sockaddr*>(&address);
}

} // namespace

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent) : QObject(parent) {
    const QDir folder(lockFolder());
    const QString name = instanceName(programFolder);
    m_lockPath = folder.filePath(name + QStringLiteral(".lock"));
    m_socketPath = folder.filePath(name + QStringLiteral(".socket"));
}

SingleInstance::~SingleInstance() {
    if (m_listener >= 0) {
        ::close(m_listener);
        QFile::remove(m_socketPath);
    }
}

bool SingleInstance::becomePrimary() {
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    // Holding the lock, this process owns the socket's name: whatever stands there was left by an earlier run.
    sockaddr_un address;
    if (!socketAddress(m_socketPath, address)) {
        return true;
    }
    QFile::remove(m_socketPath);
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listener < 0) {
        return true;
    }
    // Only the user's own later starts may knock.
    const mode_t previous = ::umask(0077);
    const bool bound = ::bind(m_listener, asSocketAddress(address), sizeof address) == 0;
    ::umask(previous);
    if (!bound || ::listen(m_listener, 8) != 0) {
        ::close(m_listener);
        m_listener = -1;
        return true;
    }
    m_notifier = new QSocketNotifier(m_listener, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::answerWaitingStarts);
    return true;
}

void SingleInstance::answerWaitingStarts() {
    for (;;) {
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0) {
            return;
        }
        // A few bytes into an empty socket buffer: never blocks.
        [[maybe_unused]] const ssize_t sent = ::send(connection, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL);
        ::close(connection);
        emit activationRequested();
    }
}

bool SingleInstance::activatePrimary(int timeoutMs) {
    sockaddr_un address;
    if (!socketAddress(m_socketPath, address)) {
        return false;
    }
    // The running instance may still be starting and not yet listening: try again for a while.
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (connection < 0) {
            return false;
        }
        if (::connect(connection, asSocketAddress(address), sizeof address) == 0) {
            pollfd answer{connection, POLLIN, 0};
            const int waited = ::poll(&answer, 1, static_cast<int>(qMax<qint64>(deadline.remainingTime(), 100)));
            char reply[sizeof kAnswer] = {};
            const bool answered = waited > 0 && ::recv(connection, reply, sizeof reply, 0) > 0;
            ::close(connection);
            return answered;
        }
        ::close(connection);
        QThread::msleep(50);
    }
    return false;
}
