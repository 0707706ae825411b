#include "ExportColumns.h"

namespace {

using K = CsvWriter::Kind;

constexpr ExportColumn snapshotColumns[] = {
    {"Meter Address", K::Text},
    {"Flow Rate", K::Number},
    {"Flow Rate Unit", K::Text},
    {"Flow Totalizer", K::Number},
    {"Reverse Flow Totalizer", K::Number},
    {"Totalizer Unit", K::Text},
    {"Alarm Status", K::Text},
    {"Flow Speed (m/s)", K::Number},
    {"Span Percentage (%)", K::Number},
    {"Electrode Impedance (ohm)", K::Number},
    {"Time", K::Time},
    {"Line", K::Text}, // last, so readers of the older files find every column where it was
};

// The values before and after a write are kept as the log wrote them: list
// items, serial numbers and numbers alike.
constexpr ExportColumn operationLogColumns[] = {
    {"Operation security level", K::Text}, {"Meter serial#", K::Text},
    {"Meter parameter", K::Text},          {"Current meter parameter", K::Text},
    {"New meter parameter", K::Text},      {"Operation time", K::Time},
};

} // namespace

namespace ExportColumns {

std::span<const ExportColumn> of(const HistoryTable& table) {
    if (&table == &HistoryTable::operationLog())
        return operationLogColumns;
    return snapshotColumns;
}

QStringList captions(const HistoryTable& table) {
    QStringList captions;
    for (const ExportColumn& column : of(table))
        captions << QString::fromUtf8(column.caption);
    return captions;
}

} // namespace ExportColumns
