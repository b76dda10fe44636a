#include "search/Fold.h"

#include "search/FullFoldings.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace {

bool isMark(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
           category == QChar::Mark_SpacingCombining;
}

void appendCaseFolded(QString& out, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            width = 2;
        }
        const auto full = std::lower_bound(std::begin(kFullFoldings), std::end(kFullFoldings), c,
                                           [](const FullFolding& f, char32_t key) { return f.from < key; });
        if (full != std::end(kFullFoldings) && full->from == c) {
            out += QString::fromUtf16(full->to);
        } else {
            const char32_t folded = QChar::toCaseFolded(c);
            if (QChar::requiresSurrogates(folded)) {
                out += QChar(QChar::highSurrogate(folded));
                out += QChar(QChar::lowSurrogate(folded));
            } else {
                out += QChar(static_cast<char16_t>(folded));
            }
        }
        i += width;
    }
}

// One piece: a character and the combining marks after it.
QString foldPiece(const QString& piece) {
    QString folded;
    appendCaseFolded(folded, piece.normalized(QString::NormalizationForm_KD));
    const QString decomposed = folded.normalized(QString::NormalizationForm_KD);
    QString kept;
    kept.reserve(decomposed.size());
    for (qsizetype i = 0; i < decomposed.size();) {
        char32_t c = decomposed.at(i).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < decomposed.size() && decomposed.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(decomposed.at(i), decomposed.at(i + 1));
            width = 2;
        }
        if (!isMark(c)) {
            kept += decomposed.mid(i, width);
        }
        i += width;
    }
    return kept.normalized(QString::NormalizationForm_C);
}

} // namespace

QString foldForSearch(const QString& text, std::vector<qsizetype>* origins) {
    // Most pieces are one character without marks; their folding is kept per thread.
    thread_local QHash<char32_t, QString> singles;
    QString out;
    out.reserve(text.size());
    if (origins != nullptr) {
        origins->clear();
        origins->reserve(static_cast<std::size_t>(text.size()) + 1);
    }
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype start = i;
        const char16_t unit = text.at(i).unicode();
        if (unit < 0x80) {
            out += QChar(unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit);
            if (origins != nullptr) {
                origins->push_back(start);
            }
            ++i;
            continue;
        }
        const auto next = [&](qsizetype at, char32_t& c) {
            c = text.at(at).unicode();
            if (QChar::isHighSurrogate(c) && at + 1 < n && text.at(at + 1).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text.at(at), text.at(at + 1));
                return qsizetype{2};
            }
            return qsizetype{1};
        };
        char32_t first = 0;
        const qsizetype firstWidth = next(i, first);
        i += firstWidth;
        // The marks that follow belong to this piece.
        while (i < n && text.at(i).unicode() >= 0x80) {
            char32_t c = 0;
            const qsizetype width = next(i, c);
            if (!isMark(c)) {
                break;
            }
            i += width;
        }
        QString folded;
        if (i - start == firstWidth) {
            const auto cached = singles.constFind(first);
            if (cached != singles.constEnd()) {
                folded = *cached;
            } else {
                folded = foldPiece(text.mid(start, firstWidth));
                singles.insert(first, folded);
            }
        } else {
            folded = foldPiece(text.mid(start, i - start));
        }
        out += folded;
        if (origins != nullptr) {
            origins->insert(origins->end(), static_cast<std::size_t>(folded.size()), start);
        }
    }
    if (origins != nullptr) {
        origins->push_back(n);
    }
    return out;
}

QStringList searchWords(const QString& query) {
    QStringList words;
    QString word;
    for (const QChar c : foldForSearch(query)) {
        if (c.isSpace()) {
            if (!word.isEmpty()) {
                words.append(word);
                word.clear();
            }
        } else {
            word += c;
        }
    }
    if (!word.isEmpty()) {
        words.append(word);
    }
    return words;
}

qsizetype characterCount(const QString& word) {
    return word.toUcs4().size();
}
