#include "notes/NoteListModel.h"

namespace {
constexpr int kColumns = 4;
}

NoteListModel::NoteListModel(QObject* parent) : QAbstractTableModel(parent) {}

int NoteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int NoteListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant NoteListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return cellText(index.row(), index.column());
}

QVariant NoteListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case 0:
        return QStringLiteral("#");
    case 1:
        return QStringLiteral("Description");
    case 2:
        return QStringLiteral("Date");
    case 3:
        return QStringLiteral("Time");
    default:
        return {};
    }
}

Qt::ItemFlags NoteListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

void NoteListModel::setRows(std::vector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void NoteListModel::clear() {
    setRows({});
}

int NoteListModel::number(int row) const {
    return m_rows.at(static_cast<std::size_t>(row)).number;
}

QString NoteListModel::cellText(int row, int column) const {
    const Row& r = m_rows.at(static_cast<std::size_t>(row));
    switch (column) {
    case 0:
        // Made when shown: storing the text would cost every row of a large list.
        return QString::number(r.number);
    case 1:
        return r.description;
    case 2:
        return r.date;
    case 3:
        return r.time;
    default:
        return {};
    }
}

void NoteListModel::reorder(const std::vector<int>& order) {
    if (order.size() != m_rows.size()) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(order.size());
    std::vector<Row> rows;
    rows.reserve(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto from = static_cast<std::size_t>(order[i]);
        newPosition[from] = static_cast<int>(i);
        rows.push_back(std::move(m_rows[from]));
    }
    m_rows = std::move(rows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        after << createIndex(newPosition[static_cast<std::size_t>(index.row())], index.column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
