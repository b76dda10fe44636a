#include "common/StallLog.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <memory>

namespace {

constexpr int kProbeMs = 10;
constexpr qint64 kReportedStallMs = 20;

} // namespace

void startStallLogFromEnvironment(QObject* parent) {
    const QString path = qEnvironmentVariable("SCRIBBET_STALL_LOG");
    if (path.isEmpty()) {
        return;
    }
    auto log = std::make_shared<QFile>(path);
    if (!log->open(QIODevice::WriteOnly | QIODevice::Append)) {
        return;
    }
    auto* probe = new QTimer(parent);
    probe->setTimerType(Qt::PreciseTimer);
    probe->setInterval(kProbeMs);
    auto clock = std::make_shared<QElapsedTimer>();
    QObject::connect(probe, &QTimer::timeout, probe, [log, clock] {
        // The first beat only starts the clock: what ran before the event loop is start-up, not a stall.
        if (clock->isValid()) {
            const qint64 stall = clock->elapsed() - kProbeMs;
            if (stall >= kReportedStallMs) {
                log->write(QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + ' ' + QByteArray::number(stall) +
                           '\n');
                log->flush();
            }
        }
        clock->start();
    });
    probe->start();
}
