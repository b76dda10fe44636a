#include "notes/NoteListModel.h"

namespace {
constexpr int kColumns = 4;
}

void NoteListModel::Rows::add(int number, QUtf8StringView description, QUtf8StringView date, QUtf8StringView time) {
    Row row;
    row.start = m_text.size();
    row.number = number;
    const QUtf8StringView texts[] = {description, date, time};
    for (int i = 0; i < 3; ++i) {
        row.lengths[i] = static_cast<std::uint32_t>(texts[i].size());
        m_text.append(texts[i].data(), texts[i].size());
    }
    m_rows.push_back(row);
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

void NoteListModel::setRows(Rows rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_inTableOrder = true;
    endResetModel();
}

void NoteListModel::clear() {
    setRows({});
}

int NoteListModel::number(int row) const {
    return m_rows.m_rows.at(static_cast<std::size_t>(row)).number;
}

QString NoteListModel::cellText(int row, int column) const {
    const Rows::Row& r = m_rows.m_rows.at(static_cast<std::size_t>(row));
    if (column == 0) {
        return QString::number(r.number);
    }
    if (column < 1 || column > 3) {
        return {};
    }
    qsizetype start = r.start;
    for (int i = 0; i < column - 1; ++i) {
        start += r.lengths[i];
    }
    return QString::fromUtf8(m_rows.m_text.constData() + start, r.lengths[column - 1]);
}

void NoteListModel::reorder(const std::vector<int>& order) {
    if (order.size() != m_rows.size()) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(order.size());
    std::vector<Rows::Row> rows;
    rows.reserve(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto from = static_cast<std::size_t>(order[i]);
        newPosition[from] = static_cast<int>(i);
        rows.push_back(m_rows.m_rows[from]);
    }
    m_rows.m_rows = std::move(rows);
    m_inTableOrder = false;
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        after << createIndex(newPosition[static_cast<std::size_t>(index.row())], index.column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
