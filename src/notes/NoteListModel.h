#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <QUtf8StringView>

#include <cstdint>
#include <vector>

// The rows of the note list: "#", "Description", "Date", "Time". A row's number is its identity: it leads to
// notePaths and noteKeys of the window and travels with the row when the list is sorted.
class NoteListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The rows of a list being filled. Their texts share one UTF-8 buffer and become strings only when shown or
    // sorted, so that a row costs no allocation of its own: a list of 100,000 rows fills in milliseconds.
    class Rows {
    public:
        void add(int number, QUtf8StringView description, QUtf8StringView date, QUtf8StringView time);
        std::size_t size() const { return m_rows.size(); }

    private:
        friend class NoteListModel;
        struct Row {
            qsizetype start = 0; // the description, then the date, then the time
            std::uint32_t lengths[3] = {};
            int number = 0;
        };
        std::vector<Row> m_rows;
        QByteArray m_text;
    };

    explicit NoteListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Replaces every row at once.
    void setRows(Rows rows);
    void clear();

    // The number shown in column "#" of the row at that position.
    int number(int row) const;
    // The text of a cell as the user sees it; column 0 is "#".
    QString cellText(int row, int column) const;

    // Puts the rows in a new order: order[i] is the current position of the row that is to stand at i.
    // Whole rows move; selection and current row follow them.
    void reorder(const std::vector<int>& order);

    // True from a fill until the rows are first put in another order.
    bool inTableOrder() const { return m_inTableOrder; }

    // The one sort direction of the list: 0 ascending, 1 descending. Every column click flips it.
    int sortOrder() const { return m_sortOrder; }
    void setSortOrder(int order) { m_sortOrder = order; }

private:
    Rows m_rows;
    bool m_inTableOrder = true;
    int m_sortOrder = 0;
};
