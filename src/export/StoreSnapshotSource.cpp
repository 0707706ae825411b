#include "StoreSnapshotSource.h"

namespace {

std::optional<double> total(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

} // namespace

std::optional<std::vector<TotalSnapshot>>
StoreSnapshotSource::snapshots(int line, int address, qint64 from, qint64 to, QString* error) {
    const std::optional<QList<StoredTotals>> rows = m_history.read(line, address, from, to, error);
    if (!rows)
        return std::nullopt;
    std::vector<TotalSnapshot> snapshots;
    snapshots.reserve(rows->size());
    for (const StoredTotals& row : *rows)
        snapshots.push_back({row.instant, total(row.forward), total(row.reverse), row.unit});
    return snapshots;
}

std::optional<QList<ConsumptionRow>>
StoreSnapshotSource::rows(int line, int address, const Consumption::Query& query, QString* error) {
    QList<ConsumptionRow> rows = m_rollups.rows(line, address, query);
    if (!m_rollups.error().isEmpty()) {
        *error = m_rollups.error();
        return std::nullopt;
    }
    return rows;
}

QString StoreSnapshotSource::latestUnit(int line, int address) {
    return m_history.latestUnit(line, address);
}
