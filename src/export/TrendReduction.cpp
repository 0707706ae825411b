#include "TrendReduction.h"

#include <algorithm>

TrendReduction::TrendReduction(qint64 first, qint64 last, int buckets, int seriesCount)
    : m_first(first), m_span(std::max<qint64>(1, last - first + 1)),
      m_buckets(std::max(1, buckets)), m_series(std::size_t(std::max(0, seriesCount))) {}

qint64 TrendReduction::bucketOf(qint64 clock) const {
    const qint64 offset = std::clamp<qint64>(clock - m_first, 0, m_span - 1);
    // Wide enough: a century of seconds times a few thousand buckets.
    return offset * m_buckets / m_span;
}

void TrendReduction::add(int series, qint64 clock, std::optional<double> value) {
    Series& s = m_series[std::size_t(series)];
    if (!value) {
        endLine(s);
        return;
    }
    const qint64 index = bucketOf(clock);
    if (index != s.bucket.index) {
        flush(s);
        s.bucket = {index, {clock, *value}, {clock, *value}};
        return;
    }
    // Ties keep the earliest row.
    if (*value < s.bucket.low.value)
        s.bucket.low = {clock, *value};
    if (*value > s.bucket.high.value)
        s.bucket.high = {clock, *value};
}

void TrendReduction::finish() {
    for (Series& series : m_series)
        endLine(series);
}

void TrendReduction::flush(Series& series) {
    Bucket& bucket = series.bucket;
    if (bucket.index < 0)
        return;
    const auto [earlier, later] = std::minmax(
        bucket.low, bucket.high, [](const Point& a, const Point& b) { return a.clock < b.clock; });
    series.open.push_back(earlier);
    if (!(later == earlier))
        series.open.push_back(later);
    bucket.index = -1;
}

void TrendReduction::endLine(Series& series) {
    flush(series);
    if (!series.open.empty())
        series.lines.push_back(std::move(series.open));
    series.open.clear();
}
