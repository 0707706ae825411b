#pragma once

#include "CsvWriter.h"
#include "HistoryTable.h"

#include <QSqlDatabase>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

// What to export: the rows a history tab's "Search" finds for the same
// days, filter and line, into one file.
struct ExportRequest {
    const HistoryTable* table = &HistoryTable::snapshots();
    QString from;   // "yyyy-mm-dd", as typed
    QString to;     // "yyyy-mm-dd", as typed
    QString filter; // a meter address or serial; "All" or empty for everyone
    CsvWriter::Separator separator = CsvWriter::Separator::Comma;
    QString path;
    std::optional<int> line; // the snapshots of one line only; nullopt: every line
};

struct ExportResult {
    enum class Outcome { Written, Cancelled, BadDate, StoreFailed, WriteFailed };
    Outcome outcome = Outcome::Written;
    qint64 rows = 0;
    QString error; // one line for the operator; empty when written

    bool written() const { return outcome == Outcome::Written; }
};

// Streams a search's rows from the store into a CSV file, header first.
// The rows go to a temporary file beside the chosen one, renamed to it only
// when every row is written: a cancelled or failed export leaves no file
// of its own and an existing file as it was.
class CsvExport {
public:
    // Rows written so far, and how far through the date range they are
    // (0 to 1), now and then while the export runs.
    using Progress = std::function<void(qint64 rows, double fraction)>;

    static ExportResult run(const QSqlDatabase& db, const ExportRequest& request,
                            const std::atomic<bool>* cancel = nullptr,
                            const Progress& progress = {},
                            std::optional<QTimeZone> zone = std::nullopt);
};
