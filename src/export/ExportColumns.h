#pragma once

#include "CsvWriter.h"
#include "HistoryTable.h"

#include <QString>
#include <span>

// A history table's columns as an export writes them, in the order its
// search selects them: the header caption, with the unit where the column has a
// fixed one, and how the stored text goes out.
struct ExportColumn {
    const char* caption;
    CsvWriter::Kind kind;
};

namespace ExportColumns {

std::span<const ExportColumn> of(const HistoryTable& table);
QStringList captions(const HistoryTable& table);

} // namespace ExportColumns
