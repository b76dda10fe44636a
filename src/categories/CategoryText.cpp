#include "categories/CategoryText.h"

namespace {

// As many characters as a read of the category file gives back.
constexpr qsizetype kLongestName = 254;

} // namespace

QString CollapseSpaces(const QString& text) {
    QString result;
    result.reserve(text.size());
    const QChar space(u' ');
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(i > 0 && text[i] == space && text[i - 1] == space)) {
            result.append(text[i]);
        }
    }
    return result;
}

QString TrimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == u' ') {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString CategoryNameProblem(const QString& name) {
    if (name.contains(u'\n') || name.contains(u'\r')) {
        return QStringLiteral("Please enter a category name on one line.  ");
    }
    if (name.size() > kLongestName) {
        return QStringLiteral("Please enter a category name of at most 254 characters.  ");
    }
    if (name.contains(QChar(0)) || QString::fromUtf8(name.toUtf8()) != name) {
        return QStringLiteral("Please enter a category name of plain text.  ");
    }
    return {};
}
