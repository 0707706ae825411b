#pragma once

#include "RollupConsumption.h"
#include "SnapshotSource.h"
#include "TotalsHistory.h"

#include <QSqlDatabase>

// The consumption reports' totals from the stored history snapshots, and
// their rows from the hourly rollups where those serve. A total that is no
// number (a silent meter's blank) is no total.
class StoreSnapshotSource : public SnapshotSource {
public:
    explicit StoreSnapshotSource(const QSqlDatabase& db) : m_history(db), m_rollups(db) {}

    std::optional<std::vector<TotalSnapshot>> snapshots(int line, int address, qint64 from,
                                                        qint64 to, QString* error) override;
    std::optional<QList<ConsumptionRow>>
    rows(int line, int address, const Consumption::Query& query, QString* error) override;
    QString latestUnit(int line, int address) override;

private:
    TotalsHistory m_history;
    RollupConsumption m_rollups;
};
