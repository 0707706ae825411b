#include "CsvExport.h"

#include "ExportColumns.h"
#include "HistoryCursor.h"
#include "StoredTime.h"

#include <QElapsedTimer>
#include <QSaveFile>
#include <algorithm>
#include <chrono>

namespace {

constexpr std::size_t ChunkBytes = 1 << 20;
constexpr qint64 RowsBetweenChecks = 4096;
constexpr std::chrono::milliseconds ProgressEvery{100};

ExportResult failure(ExportResult::Outcome outcome, const QString& error) {
    ExportResult result;
    result.outcome = outcome;
    result.error = error;
    return result;
}

bool write(QSaveFile& file, std::string_view text) {
    return file.write(text.data(), qint64(text.size())) == qint64(text.size());
}

qint64 clockOf(const QString& dayStart) {
    const QByteArray text = dayStart.toLatin1();
    return StoredTime::clockSeconds({text.constData(), std::size_t(text.size())}).value_or(0);
}

} // namespace

ExportResult CsvExport::run(const QSqlDatabase& db, const ExportRequest& request,
                            const std::atomic<bool>* cancel, const Progress& progress,
                            std::optional<QTimeZone> zone) {
    using Outcome = ExportResult::Outcome;
    const HistoryTable& table = *request.table;
    const std::optional<BoundStatement> search =
        table.search(request.from, request.to, request.filter, request.line);
    if (!search) {
        const QString& bad = HistoryTable::dayStart(request.from) ? request.to : request.from;
        return failure(Outcome::BadDate,
                       QStringLiteral("Not a date (yyyy-mm-dd): \"%1\"").arg(bad.trimmed()));
    }
    HistoryCursor rows(db, *search);
    if (!rows.isOpen())
        return failure(Outcome::StoreFailed,
                       QStringLiteral("Cannot read the database: %1").arg(rows.error()));
    const std::span<const ExportColumn> columns = ExportColumns::of(table);
    const int timeColumn = int(
        std::ranges::find(columns, CsvWriter::Kind::Time, &ExportColumn::kind) - columns.begin());
    if (rows.columnCount() < int(columns.size()))
        return failure(
            Outcome::StoreFailed,
            QStringLiteral("Cannot read the database: %1 lacks columns").arg(table.table()));

    QSaveFile file(request.path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(Outcome::WriteFailed,
                       QStringLiteral("Cannot write %1: %2").arg(request.path, file.errorString()));

    CsvWriter writer(request.separator, LocalTimeText(std::move(zone)));
    writer.appendHeader(ExportColumns::captions(table));
    const qint64 first = clockOf(*HistoryTable::dayStart(request.from));
    const qint64 span = std::max<qint64>(1, clockOf(*HistoryTable::dayStart(request.to)) - first);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    ExportResult result;
    while (rows.next()) {
        for (int column = 0; column < int(columns.size()); ++column)
            writer.appendField(rows.text(column), columns[column].kind, column == 0);
        writer.endLine();
        ++result.rows;
        if (writer.text().size() >= ChunkBytes) {
            if (!write(file, writer.text()))
                break;
            writer.clear();
        }
        if (result.rows % RowsBetweenChecks != 0)
            continue;
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            file.cancelWriting();
            return failure(Outcome::Cancelled, QStringLiteral("Export cancelled"));
        }
        if (progress && std::chrono::milliseconds(sinceProgress.elapsed()) >= ProgressEvery) {
            sinceProgress.restart();
            const qint64 at = StoredTime::clockSeconds(rows.text(timeColumn)).value_or(first);
            progress(result.rows, std::clamp(double(at - first) / double(span), 0.0, 1.0));
        }
    }
    if (!rows.error().isEmpty()) {
        file.cancelWriting();
        return failure(Outcome::StoreFailed,
                       QStringLiteral("Cannot read the database: %1").arg(rows.error()));
    }
    if (!write(file, writer.text()) || !file.commit())
        return failure(Outcome::WriteFailed,
                       QStringLiteral("Cannot write %1: %2").arg(request.path, file.errorString()));
    if (progress)
        progress(result.rows, 1.0);
    return result;
}
