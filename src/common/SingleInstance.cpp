#include "common/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

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

} // namespace

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent)
    : QObject(parent), m_name(instanceName(programFolder)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::becomePrimary() {
    m_lock = std::make_unique<QLockFile>(QDir(lockFolder()).filePath(m_name + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_name);
    m_server->listen(m_name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->write("ok\n");
            socket->flush();
            emit activationRequested();
        }
    });
    return true;
}

bool SingleInstance::activatePrimary(int timeoutMs) {
    // The running instance may still be starting and not yet listening: try again for a while.
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_name);
        if (socket.waitForConnected(500)) {
            const bool answered =
                socket.waitForReadyRead(static_cast<int>(qMax<qint64>(deadline.remainingTime(), 100)));
            socket.disconnectFromServer();
            return answered;
        }
        QThread::msleep(50);
    }
    return false;
}
