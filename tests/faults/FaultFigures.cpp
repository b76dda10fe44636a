#include "FaultFigures.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>

namespace figures {
namespace {

std::int64_t longestHandlerMs = 0;

} // namespace

void add(const QString& name, std::int64_t value) {
    const QString line = name + QLatin1Char(' ') + QString::number(value);
    QTextStream(stdout) << "figure: " << line << Qt::endl;
    const QString path = qEnvironmentVariable("SCRIBBET_FIGURES");
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write((line + QLatin1Char('\n')).toUtf8());
    }
}

HandlerTimer::~HandlerTimer() {
    longestHandlerMs = std::max<std::int64_t>(longestHandlerMs, m_clock.elapsed());
}

void reportLongestHandler() {
    add(kLongestHandlerMs, longestHandlerMs);
}

} // namespace figures
