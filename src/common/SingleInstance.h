#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QSocketNotifier;

// One running instance per program folder. The first start holds a lock and listens on a local socket beside it; a
// later start hands it a message (none: come forward) and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the one running instance (and now listens for later starts).
    bool becomePrimary();
    // Asks the running instance to bring its window forward; true when it answered.
    bool activatePrimary(int timeoutMs = 3000);
    // Hands a message (at most kMaxMessage bytes) to the running instance; true when it answered.
    bool sendToPrimary(const QByteArray& message, int timeoutMs = 3000);

    static constexpr qsizetype kMaxMessage = 65536;

signals:
    void activationRequested();
    // A later start handed over a message that is not empty.
    void messageReceived(const QByteArray& message);

private:
    struct Connection;
    void answerWaitingStarts();
    void readFrom(Connection* connection);
    void dropConnection(Connection* connection);

    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    int m_listener = -1;
    QSocketNotifier* m_notifier = nullptr;
    std::vector<std::unique_ptr<Connection>> m_connections;
};
