#include "FaultFigures.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTextStream>

#include <algorithm>

namespace figures {
namespace {

std::int64_t longestHandlerMs = 0;
QString longestHandlerCase;

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
    if (m_clock.elapsed() > longestHandlerMs) {
        longestHandlerMs = m_clock.elapsed();
        longestHandlerCase = QString::fromUtf8(QTest::currentTestFunction());
        if (QTest::currentDataTag() != nullptr) {
            longestHandlerCase += QStringLiteral(" (%1)").arg(QString::fromUtf8(QTest::currentDataTag()));
        }
    }
}

void reportLongestHandler() {
    add(kLongestHandlerMs, longestHandlerMs);
    // The case, for the suite's report: "longest_handler_case <ms> <test> <case>".
    const QString path = qEnvironmentVariable("SCRIBBET_FIGURES");
    QTextStream(stdout) << "longest handler: " << longestHandlerMs << " ms in " << longestHandlerCase << Qt::endl;
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write(QStringLiteral("longest_handler_case %1 %2 %3\n")
                       .arg(longestHandlerMs)
                       .arg(QFileInfo(QString::fromUtf8(QTest::currentAppName())).fileName(), longestHandlerCase)
                       .toUtf8());
    }
}

} // namespace figures
