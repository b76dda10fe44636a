// The sort keys, the sort itself on a bare list, and the text helpers of the category box.
#include "ListTests.h"

#include "categories/CategoryText.h"
#include "notes/NoteListModel.h"
#include "notes/NoteListSort.h"

#include <QLocale>
#include <QTest>
#include <QTreeView>

namespace {

// A list whose "Description" column holds the given texts, rows numbered 1..n.
struct List {
    explicit List(const QStringList& texts) {
        NoteListModel::Rows rows;
        for (int i = 0; i < texts.size(); ++i) {
            const QByteArray text = texts[i].toUtf8();
            rows.add(i + 1, text, text, text);
        }
        model.setRows(std::move(rows));
        view.setModel(&model);
    }
    // The column's texts, top to bottom, after sorting it ascending.
    QStringList ascending(int column, const QString& kind) {
        model.setSortOrder(1);
        SortListView(&view, column, kind);
        return texts(column);
    }
    QStringList texts(int column) const {
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            shown << model.cellText(row, column - 1);
        }
        return shown;
    }
    NoteListModel model;
    QTreeView view;
};

} // namespace

class TestListSort : public QObject {
    Q_OBJECT

private slots:
    void invertDigits() {
        QCOMPARE(InvertDigits(QStringLiteral("0123456789")), QStringLiteral("9876543210"));
        QCOMPARE(InvertDigits(QStringLiteral("-12.5e")), QStringLiteral(" 87.4e"));
        QCOMPARE(InvertDigits(QString()), QString());
    }

    void negativeNumbersSortByTheirInvertedDigits() {
        QCOMPARE(numberSortKey(QStringLiteral("-10")), QStringLiteral("&") + QString(28, QLatin1Char('9')) +
                                                           QStringLiteral("89.") + QString(30, QLatin1Char('9')));
        QCOMPARE(numberSortKey(QStringLiteral("twelve")), QString());
    }

    void wholeNumberKeysArePaddedDigits() {
        const QString decimals = QStringLiteral(".") + QString(30, QLatin1Char('0'));
        QCOMPARE(numberSortKey(QStringLiteral("12")), QString(28, QLatin1Char('0')) + QStringLiteral("12") + decimals);
        QCOMPARE(numberSortKey(QStringLiteral(" 007 ")),
                 QString(29, QLatin1Char('0')) + QStringLiteral("7") + decimals);
        QCOMPARE(numberSortKey(QStringLiteral("0")), QString(30, QLatin1Char('0')) + decimals);
        QCOMPARE(numberSortKey(QStringLiteral("123456789012345")),
                 QString(15, QLatin1Char('0')) + QStringLiteral("123456789012345") + decimals);
        // Beyond 15 digits the value is taken as a double, as any other number is.
        QCOMPARE(numberSortKey(QStringLiteral("12345678901234567")),
                 QString(13, QLatin1Char('0')) + QStringLiteral("12345678901234568") + decimals);
    }

    void dateKeys() {
        QCOMPARE(dateSortKey(QStringLiteral("12/08/26")), QStringLiteral("20261208000000"));
        // Two-digit years: up to 29 in this century, from 30 in the last.
        QCOMPARE(dateSortKey(QStringLiteral("01/01/29")), QStringLiteral("20290101000000"));
        QCOMPARE(dateSortKey(QStringLiteral("12/31/30")), QStringLiteral("19301231000000"));
        QCOMPARE(dateSortKey(QStringLiteral("2:05:09 PM")), QStringLiteral("18991230140509"));
        QCOMPARE(dateSortKey(QStringLiteral("12:05:00 AM")), QStringLiteral("18991230000500"));
        QCOMPARE(dateSortKey(QStringLiteral("12:00:00 PM")), QStringLiteral("18991230120000"));
        QCOMPARE(dateSortKey(QStringLiteral("12/08/26 2:05:09 PM")), QStringLiteral("20261208140509"));
        QCOMPARE(dateSortKey(QStringLiteral("13/45/26")), QString());
        QCOMPARE(dateSortKey(QStringLiteral("soon")), QString());
        QCOMPARE(dateSortKey(QString()), QString());
    }

    void numbersSortByValue() {
        List list({QStringLiteral("3.5"), QStringLiteral("-5"), QStringLiteral("x"), QStringLiteral("0"),
                   QStringLiteral("-10"), QStringLiteral("12"), QStringLiteral("2")});
        QCOMPARE(list.ascending(2, QStringLiteral("number")),
                 QStringList({QStringLiteral("x"), QStringLiteral("-10"), QStringLiteral("-5"), QStringLiteral("0"),
                              QStringLiteral("2"), QStringLiteral("3.5"), QStringLiteral("12")}));
    }

    void rowNumbersSortAsNumbersBothWays() {
        QStringList texts;
        for (int i = 0; i < 12; ++i) {
            texts << QString();
        }
        List list(texts);
        QStringList upward;
        for (int i = 1; i <= 12; ++i) {
            upward << QString::number(i);
        }
        QStringList downward = upward;
        std::reverse(downward.begin(), downward.end());
        // The list starts ascending: the first click sorts downward, the next upward.
        SortListView(&list.view, 1, QStringLiteral("NUMBER"));
        QCOMPARE(list.texts(1), downward);
        SortListView(&list.view, 1, QStringLiteral("NUMBER"));
        QCOMPARE(list.texts(1), upward);
        QCOMPARE(list.view.cursor().shape(), Qt::ArrowCursor);
    }

    void textSortIgnoresCase() {
        // The C locale compares code points; a named one goes through the collation library.
        for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)}) {
            QLocale::setDefault(locale);
            List list({QStringLiteral("banana"), QStringLiteral("Cherry"), QStringLiteral("apple"),
                       QStringLiteral("Banana2")});
            const QStringList sorted = list.ascending(2, QString());
            QLocale::setDefault(QLocale::system());
            QCOMPARE(sorted, QStringList({QStringLiteral("apple"), QStringLiteral("banana"), QStringLiteral("Banana2"),
                                          QStringLiteral("Cherry")}));
            QCOMPARE(list.texts(1),
                     QStringList({QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("2")}));
        }
    }

    void datesAndTimesSortByTheirValue() {
        List dates({QStringLiteral("01/01/00"), QStringLiteral("someday"), QStringLiteral("12/31/99"),
                    QStringLiteral("12/08/26"), QStringLiteral("02/01/00")});
        QCOMPARE(dates.ascending(3, QStringLiteral("DATE")),
                 QStringList({QStringLiteral("someday"), QStringLiteral("12/31/99"), QStringLiteral("01/01/00"),
                              QStringLiteral("02/01/00"), QStringLiteral("12/08/26")}));
        List times({QStringLiteral("4:00:00 PM"), QStringLiteral("12:30:00 AM"), QStringLiteral("9:15:00 AM"),
                    QStringLiteral("12:30:00 PM"), QStringLiteral("10:00:00 AM")});
        QCOMPARE(
            times.ascending(4, QStringLiteral("DATE")),
            QStringList({QStringLiteral("12:30:00 AM"), QStringLiteral("9:15:00 AM"), QStringLiteral("10:00:00 AM"),
                         QStringLiteral("12:30:00 PM"), QStringLiteral("4:00:00 PM")}));
    }

    void collapseSpaces() {
        QCOMPARE(CollapseSpaces(QStringLiteral("  a  b  ")), QStringLiteral(" a b "));
        QCOMPARE(CollapseSpaces(QStringLiteral("a\t\tb   c")), QStringLiteral("a\t\tb c"));
        QCOMPARE(CollapseSpaces(QString()), QString());
        QCOMPARE(TrimSpaces(QStringLiteral("  a b\t ")), QStringLiteral("a b\t"));
    }
};

int runListSortTests(int argc, char** argv) {
    TestListSort test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_list_sort.moc"
