#pragma once

#include "Consumption.h"
#include "TotalSnapshot.h"

#include <QString>
#include <optional>
#include <vector>

// Where a consumption report takes a meter's totals from: the stored
// snapshots, or anything that gives the same for a span.
class SnapshotSource {
public:
    virtual ~SnapshotSource() = default;

    // The meter's snapshots from `from` to `to` (UTC ms, both included), in
    // time order, with one before and one after when there are any;
    // nullopt, with the reason, when they cannot be read.
    virtual std::optional<std::vector<TotalSnapshot>> snapshots(int line, int address, qint64 from,
                                                                qint64 to, QString* error) = 0;
    // The meter's rows for the query worked out by the source itself (from
    // summaries kept for long spans); nullopt when the report is to work
    // them out of `snapshots`, or, with `error` set, when they cannot be read.
    virtual std::optional<QList<ConsumptionRow>>
    rows(int /*line*/, int /*address*/, const Consumption::Query& /*query*/, QString* /*error*/) {
        return std::nullopt;
    }
    // The meter's latest totalizer unit; empty when none is known.
    virtual QString latestUnit(int line, int address) = 0;
};
