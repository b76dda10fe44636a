// The sort keys on any two texts: numbers whose keys compare the other way round than the numbers themselves, or
// date keys of the wrong shape, are faults.
#include "notes/NoteListSort.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <cstdint>

namespace {

int sign(double value) {
    return (value > 0) - (value < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString a = input.section(QLatin1Char('\n'), 0, 0);
    const QString b = input.section(QLatin1Char('\n'), 1);
    InvertDigits(input);
    for (const QString& text : {a, b}) {
        const QString key = dateSortKey(text);
        static const QRegularExpression shape(QStringLiteral("^[0-9]{14}$"));
        if (!key.isEmpty() && !shape.match(key).hasMatch()) {
            qFatal("date key of the wrong shape: %s", qPrintable(key));
        }
    }
    // Plain decimal numbers well inside the keys' 30 digits, zero without a sign.
    static const QRegularExpression plain(QStringLiteral("^(-?[1-9][0-9]{0,19}(\\.[0-9]{1,6})?|0)$"));
    if (plain.match(a).hasMatch() && plain.match(b).hasMatch()) {
        const double x = QLocale::c().toDouble(a);
        const double y = QLocale::c().toDouble(b);
        if (x != y && sign(numberSortKey(a).compare(numberSortKey(b))) != sign(x - y)) {
            qFatal("number keys of %s and %s sort the wrong way", qPrintable(a), qPrintable(b));
        }
    } else {
        numberSortKey(a);
        numberSortKey(b);
    }
    return 0;
}
