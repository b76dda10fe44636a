#include "categories/CountCaption.h"

#include <QLocale>

#include <cmath>

namespace {

std::optional<QString> countCaption(std::int64_t position, const QString& totalText, const QString& none,
                                    const QString& one, const QString& many) {
    const std::optional<double> total = CountValue(totalText);
    if (!total || (*total != 0 && *total < 1)) {
        return std::nullopt;
    }
    if (*total == 0) {
        return none;
    }
    return QString::number(position) + QStringLiteral(" / ") + totalText + (*total == 1 ? one : many);
}

} // namespace

std::optional<double> CountValue(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<QString> CategoryCountCaption(std::int64_t position, const QString& totalText) {
    return countCaption(position, totalText, QStringLiteral("No Categories"), QStringLiteral(" Category"),
                        QStringLiteral(" Categories"));
}

std::optional<QString> NoteCountCaption(std::int64_t position, const QString& totalText) {
    return countCaption(position, totalText, QStringLiteral("No Notes"), QStringLiteral(" Note"),
                        QStringLiteral(" Notes"));
}
