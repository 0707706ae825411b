#include "LineStatisticsModel.h"

#include "LineStatistics.h"
#include "MeterTable.h"

namespace {

const char* const captions[LineStatisticsModel::ColumnCount] = {
    "Meter Address", "Requests sent", "Replies stored",         "CRC drops",
    "No reply",      "Last reply",    "Median reply time (ms)",
};

QStringList cells(const QString& first, const LineStatistics::Counts& counts) {
    return {first,
            QString::number(counts.requests),
            QString::number(counts.stored),
            QString::number(counts.crcDrops),
            QString::number(counts.noReply),
            counts.lastReply.isValid() ? MeterTable::timeText(counts.lastReply) : QString(),
            counts.medianReplyMs ? QString::number(*counts.medianReplyMs, 'f', 1) : QString()};
}

} // namespace

LineStatisticsModel::LineStatisticsModel(QList<Line> lines, QObject* parent)
    : QAbstractTableModel(parent), m_lines(std::move(lines)) {
    refresh();
}

void LineStatisticsModel::refresh() {
    QList<QStringList> rows;
    for (const Line& line : m_lines) {
        const LineStatistics statistics = line.statistics();
        for (int address : statistics.meters())
            rows << cells(QString::number(address), statistics.meter(address));
        rows << cells(m_lines.size() > 1 ? line.name + QStringLiteral(": ") + lineRowCaption()
                                         : lineRowCaption(),
                      statistics.line());
    }
    if (rows.size() == m_rows.size()) {
        // Same rows: only the values change, and the view keeps its place.
        m_rows = std::move(rows);
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int LineStatisticsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LineStatisticsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LineStatisticsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_rows[index.row()].value(index.column());
    if (role == Qt::TextAlignmentRole && index.column() > 0 && index.column() != 5)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant LineStatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < ColumnCount &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return QString::fromLatin1(captions[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}
