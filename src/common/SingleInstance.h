#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running instance per program folder. The first start holds a lock and listens; a later start asks it to come
// forward and ends.
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
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
