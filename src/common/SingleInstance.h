#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

// One running instance per program folder. The first start holds a lock and listens on a local socket beside it; a
// later start asks it to come forward and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the one running instance (and now listens for later starts).
    bool becomePrimary();
    // Asks the running instance to bring its window forward; true when it answered.
    bool activatePrimary(int timeoutMs = 3000);

signals:
    void activationRequested();

private:
    void answerWaitingStarts();

    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    int m_listener = -1;
    QSocketNotifier* m_notifier = nullptr;
};
