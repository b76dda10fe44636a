#include "app/StartupReport.h"

#include <QEvent>
#include <QFile>
#include <QWidget>

#include <chrono>

namespace {

class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* window, const QString& file) : QObject(window), m_file(file) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            QFile report(m_file);
            if (report.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                report.write(QByteArray::number(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
            }
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QString m_file;
};

} // namespace

void reportFirstPaint(QWidget* window) {
    const QString file = qEnvironmentVariable("SCRIBBET_STARTUP_REPORT");
    if (!file.isEmpty()) {
        window->installEventFilter(new FirstPaint(window, file));
    }
}
