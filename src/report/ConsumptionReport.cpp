#include "ConsumptionReport.h"

#include "ReportPeriods.h"

#include <cmath>

ConsumptionReport::Result ConsumptionReport::run(const Query& query, SnapshotSource& source,
                                                 const Progress& progress) {
    Result result;
    const Consumption::Query& periods = query.periods;
    const QList<qint64> bounds =
        ReportPeriods::boundaries(periods.by, periods.from, periods.to, periods.zone);
    for (const Meter& meter : query.meters) {
        MeterRows rows{meter, {}, {}, 0};
        if (bounds.size() > 1) {
            Consumption::Query own = periods;
            if (own.unit.isEmpty())
                own.unit = source.latestUnit(meter.line, meter.address);
            if (std::optional<QList<ConsumptionRow>> direct =
                    source.rows(meter.line, meter.address, own, &result.error)) {
                rows.rows = std::move(*direct);
            } else {
                if (!result.error.isEmpty())
                    return result;
                const std::optional<std::vector<TotalSnapshot>> snapshots = source.snapshots(
                    meter.line, meter.address, bounds.front(), bounds.back(), &result.error);
                if (!snapshots)
                    return result;
                Consumption consumption(own);
                rows.rows = consumption.rows(*snapshots);
                rows.dropped = consumption.dropped();
            }
        }
        rows.total = total(rows.rows);
        result.meters << rows;
        if (progress && !progress(int(result.meters.size()), int(query.meters.size()))) {
            result.cancelled = true;
            return result;
        }
    }
    return result;
}

ConsumptionRow ConsumptionReport::total(const QList<ConsumptionRow>& rows) {
    ConsumptionRow sum;
    if (rows.isEmpty())
        return sum;
    sum.start = rows.front().start;
    sum.end = rows.back().end;
    sum.unit = rows.front().unit;
    const auto add = [](std::optional<double>& to, const std::optional<double>& value) {
        if (value)
            to = to.value_or(0) + *value;
    };
    for (const ConsumptionRow& row : rows) {
        add(sum.forward, row.forward);
        add(sum.reverse, row.reverse);
        sum.marks |= row.marks;
    }
    if (sum.forward && sum.reverse)
        sum.net = *sum.forward - *sum.reverse;
    return sum;
}

QString ConsumptionReport::volumeText(const std::optional<double>& volume) {
    if (!volume)
        return {};
    // Rounded first, so a tiny negative rounding error is no "-0".
    const double rounded = std::round(*volume * 1000) / 1000;
    QString text = QString::number(rounded == 0 ? 0.0 : rounded, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}
