#pragma once

#include "SnapshotSource.h"
#include "TotalsHistory.h"

#include <QSqlDatabase>

// The consumption reports' totals from the stored history snapshots. A
// total that is no number (a silent meter's blank) is no total.
class StoreSnapshotSource : public SnapshotSource {
public:
    explicit StoreSnapshotSource(QSqlDatabase db) : m_history(std::move(db)) {}

    std::optional<std::vector<TotalSnapshot>> snapshots(int line, int address, qint64 from,
                                                        qint64 to, QString* error) override;
    QString latestUnit(int line, int address) override;

private:
    TotalsHistory m_history;
};
