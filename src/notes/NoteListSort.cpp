#include "notes/NoteListSort.h"

#include "notes/NoteListModel.h"

#include <QCollator>
#include <QCursor>
#include <QDate>
#include <QHash>
#include <QLocale>
#include <QTime>
#include <QTreeView>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

namespace {

constexpr int kKeyDigits = 30;

QString fixedKey(double magnitude) {
    QString text = QString::number(magnitude, 'f', kKeyDigits);
    const qsizetype integerDigits = text.indexOf(QLatin1Char('.'));
    if (integerDigits < kKeyDigits) {
        text.prepend(QString(kKeyDigits - integerDigits, QLatin1Char('0')));
    }
    return text;
}

// Two-digit years read as the program's dates mean: 00 to 29 are 2000 to 2029, 30 to 99 are 1930 to 1999.
QDate readDate(const QString& text) {
    static const char* const shortYear[] = {"M/d/yy", "M-d-yy"};
    for (const char* format : shortYear) {
        const QDate date = QDate::fromString(text, QLatin1String(format));
        if (date.isValid()) {
            return date.year() < 1930 ? date.addYears(100) : date;
        }
    }
    static const char* const longYear[] = {"M/d/yyyy", "M-d-yyyy", "yyyy-M-d", "yyyy/M/d"};
    for (const char* format : longYear) {
        const QDate date = QDate::fromString(text, QLatin1String(format));
        if (date.isValid()) {
            return date;
        }
    }
    const QLocale locale;
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QDate date = locale.toDate(text, type);
        if (date.isValid()) {
            return date;
        }
    }
    return {};
}

QTime readTime(const QString& text) {
    static const char* const formats[] = {"h:mm:ss AP", "h:mm AP", "H:mm:ss", "H:mm"};
    for (const char* format : formats) {
        const QTime time = QTime::fromString(text, QLatin1String(format));
        if (time.isValid()) {
            return time;
        }
    }
    const QLocale locale;
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QTime time = locale.toTime(text, type);
        if (time.isValid()) {
            return time;
        }
    }
    return {};
}

// Kept apart from any time zone: a wall-clock time that a daylight-saving change skips must stay as written.
struct DateAndTime {
    QDate date;
    QTime time;
};

std::optional<DateAndTime> readDateTime(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    if (const QDate date = readDate(text); date.isValid()) {
        return DateAndTime{date, QTime(0, 0)};
    }
    if (const QTime time = readTime(text); time.isValid()) {
        return DateAndTime{QDate(1899, 12, 30), time};
    }
    // A date followed by a time.
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space > 0) {
        const QDate date = readDate(text.left(space));
        const QTime time = readTime(text.mid(space + 1).trimmed());
        if (date.isValid() && time.isValid()) {
            return DateAndTime{date, time};
        }
    }
    return std::nullopt;
}

// Restores the cursor the list had, also when it had none of its own.
class WaitCursor {
public:
    explicit WaitCursor(QWidget* widget)
        : m_widget(widget), m_hadCursor(widget->testAttribute(Qt::WA_SetCursor)), m_cursor(widget->cursor()) {
        widget->setCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (m_hadCursor) {
            m_widget->setCursor(m_cursor);
        } else {
            m_widget->unsetCursor();
        }
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    QWidget* m_widget;
    bool m_hadCursor;
    QCursor m_cursor;
};

} // namespace

QString InvertDigits(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            c = QChar(u'9' - (c.unicode() - u'0'));
        } else if (c == QLatin1Char('-')) {
            c = QLatin1Char(' ');
        }
    }
    return result;
}

QString numberSortKey(const QString& text) {
    // Whole numbers of up to 15 digits (every row number) are exact as doubles: their key is their digits, padded.
    const QStringView digits = QStringView(text).trimmed();
    if (!digits.isEmpty() && digits.size() <= 15 &&
        std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        QString key(2 * kKeyDigits + 1, QLatin1Char('0'));
        std::copy(digits.begin(), digits.end(), key.begin() + (kKeyDigits - digits.size()));
        key[kKeyDigits] = QLatin1Char('.');
        return key;
    }
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        return {};
    }
    if (value >= 0) {
        return fixedKey(value);
    }
    return QLatin1Char('&') + InvertDigits(fixedKey(-value));
}

QString dateSortKey(const QString& text) {
    const std::optional<DateAndTime> when = readDateTime(text);
    // A year outside 1 to 9999 has no four-digit form: its key would sort by its sign and length, not its time.
    if (!when || when->date.year() < 1 || when->date.year() > 9999) {
        return {};
    }
    return when->date.toString(QStringLiteral("yyyyMMdd")) + when->time.toString(QStringLiteral("HHmmss"));
}

void SortListView(QTreeView* listView, int column, const QString& kind) {
    auto* model = listView != nullptr ? qobject_cast<NoteListModel*>(listView->model()) : nullptr;
    const int c = column - 1;
    if (model == nullptr || c < 0 || c >= model->columnCount()) {
        return;
    }
    const WaitCursor wait(listView);
    model->setSortOrder((model->sortOrder() + 1) % 2);
    const bool descending = model->sortOrder() == 1;
    const int rows = model->rowCount();
    std::vector<int> order(static_cast<std::size_t>(rows));
    std::iota(order.begin(), order.end(), 0);

    const QString upper = kind.toUpper();
    if (upper == QLatin1String("NUMBER") || upper == QLatin1String("DATE")) {
        const bool byDate = upper == QLatin1String("DATE");
        // Each key is made once; cells of the same text (dates above all) share it.
        QHash<QString, QString> made;
        std::vector<QString> keys;
        keys.reserve(order.size());
        for (int row = 0; row < rows; ++row) {
            const QString cell = model->cellText(row, c);
            auto found = made.constFind(cell);
            if (found == made.constEnd()) {
                found = made.insert(cell, byDate ? dateSortKey(cell) : numberSortKey(cell));
            }
            keys.push_back(*found);
        }
        // The keys are plain ASCII: compared code by code.
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const QString& left = keys[static_cast<std::size_t>(a)];
            const QString& right = keys[static_cast<std::size_t>(b)];
            return descending ? right < left : left < right;
        });
    } else {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QString> texts;
        texts.reserve(order.size());
        for (int row = 0; row < rows; ++row) {
            texts.push_back(model->cellText(row, c));
        }
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const int compared =
                collator.compare(texts[static_cast<std::size_t>(a)], texts[static_cast<std::size_t>(b)]);
            return descending ? compared > 0 : compared < 0;
        });
    }
    model->reorder(order);
}
