#include "LiveGridModel.h"

#include "RowSet.h"

namespace {

struct Column {
    const char* caption;
    int widthTwips;
};

constexpr Column columns[LiveGridModel::ColumnCount] = {
    {"Meter Address", 1400},
    {"Flow Rate", 1000},
    {"Flow Rate Unit", 1400},
    {"Flow Totalizer", 1400},
    {"Totalizer Unit", 1400},
    {"Alarm Status", 5000},
    {"Flow Speed (m/s)", 1700},
    {"Span Percentage (%)", 1800},
    {"Electrode Impedance (ohm)", 2200},
    {"Time", 3000},
};

} // namespace

QString LiveGridModel::caption(int column) {
    return QString::fromLatin1(columns[column].caption);
}

int LiveGridModel::widthTwips(int column) {
    return columns[column].widthTwips;
}

LiveGridModel::LiveGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void LiveGridModel::load(const RowSet& rows) {
    beginResetModel();
    m_rows.clear();
    m_rowOfAddress.clear();
    if (rows.isOpen() && rows.columns().size() >= ColumnCount) {
        for (const QVariantList& row : rows.rows()) {
            m_rowOfAddress.insert(row.value(AddressColumn).toInt(), int(m_rows.size()));
            m_rows << row.mid(0, ColumnCount);
        }
    }
    m_current = m_rows.isEmpty() ? -1 : 0;
    endResetModel();
    emit currentRowChanged(m_current);
}

bool LiveGridModel::updateMeter(int address, const StoredReading& reading, const QString& time) {
    const auto found = m_rowOfAddress.constFind(address);
    if (found == m_rowOfAddress.constEnd())
        return false;
    QVariantList& row = m_rows[*found];
    const std::optional<QString>* shown[] = {
        &reading.MinuteAverage, &reading.danwei1, &reading.Foward,   &reading.danwei2,
        &reading.zhuangtai,     &reading.liusu,   &reading.baifenbi, &reading.dianzu};
    for (int i = 0; i < 8; ++i) {
        if (*shown[i])
            row[i + 1] = **shown[i];
    }
    row[TimeColumn] = time;
    emit dataChanged(index(*found, 1), index(*found, TimeColumn));
    return true;
}

void LiveGridModel::setCurrentRow(int row) {
    if (row < 0 || row >= m_rows.size() || row == m_current)
        return;
    m_current = row;
    emit currentRowChanged(m_current);
}

std::optional<int> LiveGridModel::currentAddress() const {
    if (m_current < 0 || m_current >= m_rows.size())
        return std::nullopt;
    bool ok = false;
    const int address = m_rows[m_current].value(AddressColumn).toInt(&ok);
    return ok ? std::optional<int>(address) : std::nullopt;
}

void LiveGridModel::moveToNext() {
    if (m_rows.isEmpty())
        return;
    m_current = (m_current + 1) % int(m_rows.size());
    emit currentRowChanged(m_current);
}

int LiveGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LiveGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LiveGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_rows[index.row()].value(index.column()).toString();
    return {};
}

QVariant LiveGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < ColumnCount &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return caption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags LiveGridModel::flags(const QModelIndex& index) const {
    // Every column is read-only, the time included: a reading's time is
    // what the meter's reply was stored at, not something to type over.
    return QAbstractTableModel::flags(index) & ~Qt::ItemIsEditable;
}
