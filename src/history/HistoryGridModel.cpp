#include "HistoryGridModel.h"

HistoryGridModel::HistoryGridModel(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), m_captions(std::move(captions)) {}

void HistoryGridModel::show(HistoryRows rows) {
    beginResetModel();
    m_columns = rows.columns();
    m_rows = std::move(rows);
    m_pageStarts = {std::nullopt};
    m_held.clear();
    m_rowCount = 0;
    m_atEnd = m_columns.isEmpty();
    if (Rows first = readNextPage(); !first.isEmpty())
        hold(std::move(first));
    endResetModel();
}

int HistoryGridModel::columnOf(const QString& name) const {
    return int(m_columns.indexOf(name));
}

HistoryGridModel::Rows HistoryGridModel::readNextPage() {
    if (m_atEnd)
        return {};
    HistoryRows::Page read = m_rows->after(m_pageStarts.last(), PageRows);
    if (read.rows.size() < PageRows)
        m_atEnd = true;
    else
        m_pageStarts << read.last;
    return std::move(read.rows);
}

void HistoryGridModel::hold(Rows rows) {
    // Every page before the last read is full.
    const int count = int(rows.size());
    m_held.insert(m_rowCount / PageRows, new Rows(std::move(rows)));
    m_rowCount += count;
}

const HistoryGridModel::Rows* HistoryGridModel::page(int page) const {
    if (const Rows* held = m_held.object(page))
        return held;
    if (!m_rows || page < 0 || page >= m_pageStarts.size())
        return nullptr;
    // Read again from its key, after it was let go.
    auto* rows = new Rows(m_rows->after(m_pageStarts[page], PageRows).rows);
    m_held.insert(page, rows);
    return rows;
}

int HistoryGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int HistoryGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant HistoryGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rowCount ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Rows* rows = page(index.row() / PageRows);
    const int at = index.row() % PageRows;
    if (!rows || at >= rows->size())
        return {};
    return (*rows)[at].value(index.column());
}

QVariant HistoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_captions.size())
        return m_captions.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool HistoryGridModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_atEnd;
}

void HistoryGridModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    // Read first, so the view learns of the rows only when they are there.
    Rows next = readNextPage();
    if (next.isEmpty())
        return;
    beginInsertRows({}, m_rowCount, m_rowCount + int(next.size()) - 1);
    hold(std::move(next));
    endInsertRows();
}
