#pragma once

#include "Consumption.h"
#include "RollupTable.h"

#include <QList>
#include <QSqlDatabase>
#include <map>

// A meter's consumption by period read from its hourly rollups, with the
// rows stored after their reach folded on the fly: the same rows
// Consumption gives on every raw snapshot, without reading a year of them.
// Periods that do not start on a whole UTC hour (a zone half an hour off),
// and a report unit of no known size, are worked out of the raw snapshots.
class RollupConsumption {
public:
    explicit RollupConsumption(QSqlDatabase db);

    QList<ConsumptionRow> rows(int line, int address, const Consumption::Query& query);
    // The periods of `bounds` summed from a meter's hours (by start,
    // seconds), volumes in `unit`, which must have a known size.
    static QList<ConsumptionRow> periods(const std::map<qint64, RollupHour>& hours,
                                         const QList<qint64>& bounds,
                                         const Consumption::Query& query, const QString& unit);
    // Empty, or why the store could not be read; the rows are then empty.
    const QString& error() const { return m_table.error(); }

private:
    QList<ConsumptionRow> fromSnapshots(int line, int address, const Consumption::Query& query,
                                        const QList<qint64>& bounds);

    RollupTable m_table;
};
