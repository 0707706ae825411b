#include "Consumption.h"

#include "TotalizerSeries.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr int forwardSeries = 0;
constexpr int reverseSeries = 1;

// One period's sums while the snapshots pass.
struct Tally {
    std::array<double, 2> volume{};
    std::array<qint64, 2> seen{}; // milliseconds covered by readings
    std::array<bool, 2> touched{};
    ConsumptionMarks marks;
};

bool usable(const std::optional<double>& total) {
    return !total || (std::isfinite(*total) && *total >= 0);
}

} // namespace

Consumption::Consumption(Query query) : m_query(std::move(query)) {}

QList<ConsumptionRow> Consumption::rows(std::span<const TotalSnapshot> snapshots) {
    m_dropped = 0;
    const QList<qint64> bounds =
        ReportPeriods::boundaries(m_query.by, m_query.from, m_query.to, m_query.zone);
    const qsizetype periods = std::max<qsizetype>(bounds.size() - 1, 0);
    std::vector<Tally> tallies(periods);
    const qint64 gapLimit = 3 * m_query.recordIntervalMs;
    const bool marksGaps = m_query.recordIntervalMs > 0;

    QString unit = m_query.unit;
    for (auto it = snapshots.rbegin(); unit.isEmpty() && it != snapshots.rend(); ++it)
        if (it->forward || it->reverse)
            unit = it->unit;

    // The period holding an instant, searched onwards from a cursor.
    const auto periodAt = [&](qsizetype from, qint64 instant) {
        while (from < periods && bounds[from + 1] <= instant)
            ++from;
        return from;
    };
    std::array<qsizetype, 2> cursor{};
    const auto take = [&](int series, const TotalizerSeries::Step& step) {
        if (step.glitchAt) {
            const qsizetype at = periodAt(cursor[series], *step.glitchAt);
            if (at < periods && bounds[at] <= *step.glitchAt)
                tallies[at].marks |= ConsumptionMark::Glitch;
        }
        if (!step.segment)
            return;
        const auto& [from, to, volume, segmentMarks] = *step.segment;
        ConsumptionMarks marks = segmentMarks;
        if (marksGaps && to - from > gapLimit)
            marks |= ConsumptionMark::Estimated;
        qsizetype& at = cursor[series];
        at = periodAt(at, from);
        if (to == from) {
            if (at < periods && bounds[at] <= from) {
                tallies[at].volume[series] += volume;
                tallies[at].touched[series] = true;
                tallies[at].marks |= marks;
            }
            return;
        }
        for (qsizetype p = at; p < periods && bounds[p] < to; ++p) {
            const qint64 lo = std::max(from, bounds[p]);
            const qint64 hi = std::min(to, bounds[p + 1]);
            if (hi <= lo)
                continue;
            Tally& tally = tallies[p];
            tally.volume[series] += volume * double(hi - lo) / double(to - from);
            tally.seen[series] += hi - lo;
            tally.touched[series] = true;
            tally.marks |= marks;
        }
    };

    std::array<TotalizerSeries, 2> series{TotalizerSeries(unit), TotalizerSeries(unit)};
    qint64 previous = std::numeric_limits<qint64>::min();
    for (const TotalSnapshot& snapshot : snapshots) {
        if (snapshot.instant < previous || !usable(snapshot.forward) || !usable(snapshot.reverse)) {
            ++m_dropped;
            continue;
        }
        previous = snapshot.instant;
        if (snapshot.forward)
            take(forwardSeries,
                 series[forwardSeries].push(snapshot.instant, *snapshot.forward, snapshot.unit));
        if (snapshot.reverse)
            take(reverseSeries,
                 series[reverseSeries].push(snapshot.instant, *snapshot.reverse, snapshot.unit));
    }
    take(forwardSeries, series[forwardSeries].finish());
    take(reverseSeries, series[reverseSeries].finish());

    QList<ConsumptionRow> rows;
    rows.reserve(periods);
    for (qsizetype p = 0; p < periods; ++p) {
        const Tally& tally = tallies[p];
        ConsumptionRow row;
        row.start = QDateTime::fromMSecsSinceEpoch(bounds[p], m_query.zone);
        row.end = QDateTime::fromMSecsSinceEpoch(bounds[p + 1], m_query.zone);
        row.unit = unit;
        row.marks = tally.marks;
        std::array<std::optional<double>, 2> volumes;
        for (int s : {forwardSeries, reverseSeries}) {
            if (!tally.touched[s])
                continue;
            volumes[s] = tally.volume[s];
            if (marksGaps && bounds[p + 1] - bounds[p] - tally.seen[s] > gapLimit)
                row.marks |= ConsumptionMark::Estimated;
        }
        row.forward = volumes[forwardSeries];
        row.reverse = volumes[reverseSeries];
        if (row.forward && row.reverse)
            row.net = *row.forward - *row.reverse;
        rows << row;
    }
    return rows;
}
