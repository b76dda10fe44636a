#include "search/FindRequest.h"

namespace {

const QByteArray kFindMessage = QByteArrayLiteral("find\n");

} // namespace

QByteArray findMessage(const QString& text) {
    return kFindMessage + text.toUtf8();
}

std::optional<QString> findText(const QByteArray& message) {
    if (!message.startsWith(kFindMessage)) {
        return std::nullopt;
    }
    return QString::fromUtf8(message.mid(kFindMessage.size()));
}
