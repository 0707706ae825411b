#include "TrendData.h"

#include "HistoryCursor.h"
#include "SnapshotTrend.h"
#include "StoredTime.h"
#include "UtcOffsets.h"

#include <charconv>
#include <cmath>

namespace {

// A stored number ("12.34", "-0.50"); nullopt for an empty or unreadable
// value, which the chart leaves as a gap.
std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString timeText(qint64 clock) {
    return StoredTime::text(StoredTime::localTime(clock));
}

QString textOf(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The local clock time of seconds since 1970 UTC, by the offset at about
// that clock time: exact but within an hour of a clock change.
qint64 clockOf(UtcOffsets& offsets, qint64 utc) {
    return utc + offsets.at(utc + offsets.at(utc));
}

// The span's hour rollups: each hour's lowest and highest flow at its
// middle, its last forward total when it was read.
void readHours(TrendData& data, const QSqlDatabase& db, const QString& meter, qint64 first,
               qint64 last, int buckets, std::optional<int> line) {
    UtcOffsets offsets;
    HistoryCursor hours(
        db, SnapshotTrend::hours(meter, first - offsets.at(first), last - offsets.at(last), line));
    TrendReduction reduction(first, last, buckets, TrendData::SeriesCount);
    while (hours.next()) {
        const std::optional<double> hour = number(hours.text(SnapshotTrend::Hour));
        if (!hour)
            continue;
        ++data.rows;
        const qint64 middle = clockOf(offsets, qint64(*hour) + 1800);
        reduction.add(TrendData::FlowRate, middle, number(hours.text(SnapshotTrend::FlowMin)));
        reduction.add(TrendData::FlowRate, middle, number(hours.text(SnapshotTrend::FlowMax)));
        const std::optional<double> lastAt = number(hours.text(SnapshotTrend::LastAt));
        reduction.add(TrendData::ForwardTotal,
                      lastAt ? clockOf(offsets, qint64(*lastAt) / 1000) : middle,
                      number(hours.text(SnapshotTrend::LastForward)));
        if (!hours.text(SnapshotTrend::Unit).empty())
            data.totalizerUnit = textOf(hours.text(SnapshotTrend::Unit));
    }
    reduction.finish();
    data.hourly = true;
    data.error = hours.error();
    for (int series = 0; series < TrendData::SeriesCount; ++series)
        data.lines[std::size_t(series)] = reduction.lines(series);
}

// The span's snapshots.
void readRows(TrendData& data, const QSqlDatabase& db, const QString& meter, const QString& from,
              const QString& to, qint64 first, qint64 last, int buckets, std::optional<int> line) {
    HistoryCursor rows(db, SnapshotTrend::rows(meter, from, to, line));
    TrendReduction reduction(first, last, buckets, TrendData::SeriesCount);
    static constexpr std::pair<TrendData::Series, SnapshotTrend::Column> columns[] = {
        {TrendData::FlowRate, SnapshotTrend::FlowRate},
        {TrendData::FlowSpeed, SnapshotTrend::FlowSpeed},
        {TrendData::ForwardTotal, SnapshotTrend::ForwardTotal},
    };
    while (rows.next()) {
        const std::optional<qint64> clock =
            StoredTime::clockSeconds(rows.text(SnapshotTrend::Time));
        if (!clock)
            continue;
        ++data.rows;
        for (const auto& [series, column] : columns)
            reduction.add(series, *clock, number(rows.text(column)));
    }
    reduction.finish();
    data.error = rows.error();
    for (int series = 0; series < TrendData::SeriesCount; ++series)
        data.lines[std::size_t(series)] = reduction.lines(series);
}

} // namespace

TrendData TrendData::read(const QSqlDatabase& db, const QString& meter, qint64 first, qint64 last,
                          int buckets, std::optional<int> line) {
    TrendData data;
    const QString from = timeText(first);
    const QString to = timeText(last);
    if (last - first > LongestRawSpan)
        readHours(data, db, meter, first, last, buckets, line);
    else
        readRows(data, db, meter, from, to, first, last, buckets, line);
    if (!data.hourly && data.rows == 0 && data.error.isEmpty())
        readHours(data, db, meter, first, last, buckets, line);

    const QString hourUnit = data.totalizerUnit;
    // The units of the span's latest snapshot, else (pruned) of the meter's latest.
    for (const auto& [since, until] :
         {std::pair(from, to), std::pair(QString(), QStringLiteral("9"))}) {
        HistoryCursor units(db, SnapshotTrend::units(meter, since, until, line));
        if (units.next()) {
            data.flowRateUnit = textOf(units.text(0));
            data.totalizerUnit = textOf(units.text(1));
            break;
        }
    }
    if (data.hourly && !hourUnit.isEmpty())
        data.totalizerUnit = hourUnit;
    return data;
}
