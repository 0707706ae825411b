#pragma once

#include "ConsumptionRow.h"
#include "ReportPeriods.h"
#include "TotalSnapshot.h"

#include <QList>
#include <QString>
#include <QTimeZone>
#include <span>

// One meter's consumption by period, worked out of its snapshots in one
// pass. The total at a period's boundary is interpolated linearly in time
// between the readings on either side, so each step between two kept
// readings is shared out over the periods by the time it spends in each.
// A step longer than three record intervals (the meter silent, or its
// snapshots missing) is a gap: its volume is spread evenly over it and the
// periods it touches are estimated; so is a period of which more than
// three intervals lie before the first or after the last reading. The
// readings themselves are judged by TotalizerSeries.
class Consumption {
public:
    struct Query {
        PeriodKind by = PeriodKind::Day;
        QTimeZone zone;
        QDate from;
        QDate to;
        qint64 recordIntervalMs = 60 * 1000; // none when 0 or less: no gaps marked
        QString unit;                        // empty: the meter's latest unit
    };

    explicit Consumption(Query query);

    // The snapshots in time order; give a reading before the range and one
    // after it, so the first and last boundaries can be interpolated.
    QList<ConsumptionRow> rows(std::span<const TotalSnapshot> snapshots);

    // Snapshots of the last call left out: out of time order, or a total
    // that is not a finite number of zero or more.
    int dropped() const { return m_dropped; }

private:
    Query m_query;
    int m_dropped = 0;
};
