#include "search/FindRequest.h"

namespace {

const QByteArray kFindMessage = QByteArrayLiteral("find\n");

} // namespace

std::optional<QString> findRequest(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QStringLiteral("--find")) {
            const bool hasText = i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1Char('-'));
            return hasText ? arguments.at(i + 1) : QString(QLatin1String(""));
        }
    }
    return std::nullopt;
}

QByteArray findMessage(const QString& text) {
    return kFindMessage + text.toUtf8();
}

std::optional<QString> findText(const QByteArray& message) {
    if (!message.startsWith(kFindMessage)) {
        return std::nullopt;
    }
    return QString::fromUtf8(message.mid(kFindMessage.size()));
}
