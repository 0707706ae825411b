#include "RollupConsumption.h"

#include "ReportPeriods.h"
#include "RollupFeed.h"
#include "RollupFolder.h"
#include "StoredTime.h"
#include "VolumeUnit.h"

#include <QScopeGuard>
#include <limits>
#include <map>

namespace {

constexpr qint64 HourMs = 3600 * 1000;
constexpr qint64 Every = std::numeric_limits<qint64>::max();

// What the query's range reads of an hour.
void merge(RollupHour& into, const RollupHour& part) {
    if (part.forward)
        into.forward = into.forward.value_or(0) + *part.forward;
    if (part.reverse)
        into.reverse = into.reverse.value_or(0) + *part.reverse;
    into.forwardSeenMs += part.forwardSeenMs;
    into.reverseSeenMs += part.reverseSeenMs;
    into.longestStepMs = std::max(into.longestStepMs, part.longestStepMs);
    into.marks |= part.marks;
}

} // namespace

RollupConsumption::RollupConsumption(QSqlDatabase db) : m_table(std::move(db)) {}

QList<ConsumptionRow> RollupConsumption::rows(int line, int address,
                                              const Consumption::Query& query) {
    const QList<qint64> bounds =
        ReportPeriods::boundaries(query.by, query.from, query.to, query.zone);
    if (bounds.size() < 2)
        return {};
    for (const qint64 bound : bounds)
        if (bound % HourMs != 0)
            return fromSnapshots(line, address, query, bounds);

    // One snapshot of the store for all that follows: a build committing
    // meanwhile must not have its new hours read beside the rows they hold.
    const bool reading = m_table.beginRead();
    const auto finished = qScopeGuard([&] {
        if (reading)
            m_table.rollback();
    });
    // The rows after the rollups' reach, folded as the upkeep will fold them
    // and settled as if none followed.
    const std::optional<qint64> through = m_table.through();
    const std::optional<qint64> last = m_table.lastHistoryRow();
    if (!through || !last)
        return {};
    std::map<std::pair<int, int>, RollupBuilder> builders;
    if (!RollupFolder::restore(m_table, *through, builders, std::pair{line, address}))
        return {};
    RollupBuilder& tail = builders.try_emplace({line, address}, line, address).first->second;
    RollupFeed feed;
    if (!m_table.scan(
            *through, *last, Every, [&](const HistoryRow& row) { tail.push(feed.snapshot(row)); },
            std::pair{line, address}))
        return {};
    tail.finish();
    const QList<RollupHour> tailHours = tail.take();

    QString unit = query.unit;
    for (auto it = tailHours.rbegin(); unit.isEmpty() && it != tailHours.rend(); ++it)
        unit = it->unit;
    if (unit.isEmpty())
        if (const auto latest = m_table.latestHour(line, address))
            unit = latest->unit;
    const std::optional<double> perCubicMetre = VolumeUnit::cubicMetres(unit);
    if (!perCubicMetre)
        return fromSnapshots(line, address, query, bounds);

    std::map<qint64, RollupHour> hours;
    for (const RollupHour& hour :
         m_table.volumes(line, address, bounds.front() / 1000, bounds.back() / 1000))
        hours.emplace(hour.hour, hour);
    if (!m_table.error().isEmpty())
        return {};
    for (const RollupHour& hour : tailHours)
        merge(hours[hour.hour], hour);

    return periods(hours, bounds, query, unit);
}

QList<ConsumptionRow> RollupConsumption::periods(const std::map<qint64, RollupHour>& hours,
                                                 const QList<qint64>& bounds,
                                                 const Consumption::Query& query,
                                                 const QString& unit) {
    const double perCubicMetre = VolumeUnit::cubicMetres(unit).value_or(qQNaN());
    const qint64 gapLimit = 3 * query.recordIntervalMs;
    const bool marksGaps = query.recordIntervalMs > 0;
    QList<ConsumptionRow> rows;
    rows.reserve(bounds.size() - 1);
    auto hour = hours.begin();
    for (qsizetype p = 0; p + 1 < bounds.size(); ++p) {
        RollupHour sum;
        for (; hour != hours.end() && hour->first * 1000 < bounds[p + 1]; ++hour)
            if (hour->first * 1000 >= bounds[p])
                merge(sum, hour->second);
        ConsumptionRow row;
        row.start = QDateTime::fromMSecsSinceEpoch(bounds[p], query.zone);
        row.end = QDateTime::fromMSecsSinceEpoch(bounds[p + 1], query.zone);
        row.unit = unit;
        row.marks = ConsumptionMarks::fromInt(sum.marks);
        if (marksGaps && sum.longestStepMs > gapLimit)
            row.marks |= ConsumptionMark::Estimated;
        const qint64 length = bounds[p + 1] - bounds[p];
        // A volume kept in cubic metres, in the report's unit.
        const auto inUnit = [&](const std::optional<double>& volume, qint64 seen) {
            if (volume && marksGaps && length - seen > gapLimit)
                row.marks |= ConsumptionMark::Estimated;
            return volume ? std::optional(*volume / perCubicMetre) : std::nullopt;
        };
        row.forward = inUnit(sum.forward, sum.forwardSeenMs);
        row.reverse = inUnit(sum.reverse, sum.reverseSeenMs);
        if (row.forward && row.reverse)
            row.net = *row.forward - *row.reverse;
        rows << row;
    }
    return rows;
}

QList<ConsumptionRow> RollupConsumption::fromSnapshots(int line, int address,
                                                       const Consumption::Query& query,
                                                       const QList<qint64>& bounds) {
    // A day either side brings the readings that bound the first and last
    // periods, whatever the zone's offset.
    constexpr qint64 DayMs = 24 * HourMs;
    const auto localText = [](qint64 at) {
        return StoredTime::text(QDateTime::fromMSecsSinceEpoch(at).toLocalTime());
    };
    std::vector<TotalSnapshot> snapshots;
    RollupFeed feed;
    if (!m_table.scanTimes(line, address, localText(bounds.front() - DayMs),
                           localText(bounds.back() + DayMs), [&](const HistoryRow& row) {
                               const RollupBuilder::Snapshot s = feed.snapshot(row);
                               snapshots.push_back({s.instant, s.forward, s.reverse, s.unit});
                           }))
        return {};
    return Consumption(query).rows(snapshots);
}
