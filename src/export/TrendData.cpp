#include "TrendData.h"

#include "HistoryCursor.h"
#include "SnapshotTrend.h"
#include "StoredTime.h"

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

} // namespace

TrendData TrendData::read(const QSqlDatabase& db, const QString& meter, qint64 first, qint64 last,
                          int buckets, std::optional<int> line) {
    TrendData data;
    const QString from = timeText(first);
    const QString to = timeText(last);
    HistoryCursor rows(db, SnapshotTrend::rows(meter, from, to, line));
    TrendReduction reduction(first, last, buckets, SeriesCount);
    static constexpr std::pair<Series, SnapshotTrend::Column> columns[] = {
        {FlowRate, SnapshotTrend::FlowRate},
        {FlowSpeed, SnapshotTrend::FlowSpeed},
        {ForwardTotal, SnapshotTrend::ForwardTotal},
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
    for (int series = 0; series < SeriesCount; ++series)
        data.lines[std::size_t(series)] = reduction.lines(series);

    HistoryCursor units(db, SnapshotTrend::units(meter, from, to, line));
    if (units.next()) {
        data.flowRateUnit =
            QString::fromUtf8(units.text(0).data(), qsizetype(units.text(0).size()));
        data.totalizerUnit =
            QString::fromUtf8(units.text(1).data(), qsizetype(units.text(1).size()));
    }
    return data;
}
