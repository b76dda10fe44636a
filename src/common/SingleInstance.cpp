#include "common/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>

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

// How long a later start may take to hand over its message.
constexpr int kMessageTimeoutMs = 3000;

} // namespace

struct SingleInstance::Connection {
    int fd = -1;
    QByteArray message;
    QSocketNotifier* notifier = nullptr;
    QTimer* timeout = nullptr;
};

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent) : QObject(parent) {
    const QDir folder(lockFolder());
    const QString name = instanceName(programFolder);
    m_lockPath = folder.filePath(name + QStringLiteral(".lock"));
    m_socketPath = folder.filePath(name + QStringLiteral(".socket"));
}

SingleInstance::~SingleInstance() {
    for (const std::unique_ptr<Connection>& connection : m_connections) {
        ::close(connection->fd);
    }
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
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;
        }
        // The message is read as it comes, never waited for: the window goes on meanwhile.
        auto connection = std::make_unique<Connection>();
        Connection* raw = connection.get();
        raw->fd = fd;
        raw->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(raw->notifier, &QSocketNotifier::activated, this, [this, raw] { readFrom(raw); });
        raw->timeout = new QTimer(this);
        raw->timeout->setSingleShot(true);
        connect(raw->timeout, &QTimer::timeout, this, [this, raw] { dropConnection(raw); });
        raw->timeout->start(kMessageTimeoutMs);
        m_connections.push_back(std::move(connection));
        readFrom(raw);
    }
}

void SingleInstance::readFrom(Connection* connection) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(connection->fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            connection->message.append(buffer, got);
            if (connection->message.size() > kMaxMessage) {
                dropConnection(connection);
                return;
            }
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        break;
    }
    // The whole message is in (the sender closed its side), or the connection failed.
    const QByteArray message = connection->message;
    // A few bytes into an empty socket buffer: never blocks.
    [[maybe_unused]] const ssize_t sent = ::send(connection->fd, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL);
    dropConnection(connection);
    if (message.isEmpty()) {
        emit activationRequested();
    } else {
        emit messageReceived(message);
    }
}

void SingleInstance::dropConnection(Connection* connection) {
    const auto at = std::find_if(m_connections.begin(), m_connections.end(),
                                 [connection](const std::unique_ptr<Connection>& c) { return c.get() == connection; });
    if (at == m_connections.end()) {
        return;
    }
    connection->notifier->setEnabled(false);
    connection->notifier->deleteLater();
    connection->timeout->stop();
    connection->timeout->deleteLater();
    ::close(connection->fd);
    m_connections.erase(at);
}

bool SingleInstance::activatePrimary(int timeoutMs) {
    return sendToPrimary(QByteArray(), timeoutMs);
}

bool SingleInstance::sendToPrimary(const QByteArray& message, int timeoutMs) {
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
            // The message, then the end of it: the running instance answers once it has the whole.
            const QByteArray sending = message.left(kMaxMessage);
            qsizetype done = 0;
            while (done < sending.size()) {
                const ssize_t put = ::send(connection, sending.constData() + done,
                                           static_cast<std::size_t>(sending.size() - done), MSG_NOSIGNAL);
                if (put <= 0) {
                    break;
                }
                done += put;
            }
            ::shutdown(connection, SHUT_WR);
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
