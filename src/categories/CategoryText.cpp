#include "categories/CategoryText.h"

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
