#pragma once

#include "TrendReduction.h"

#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>

// One meter's flow rate, flow speed and forward totalizer over a span of
// stored time, reduced to a chart's width. A span of a few days is read
// from its snapshots; a longer one from its hour rollups, each hour's
// lowest and highest flow and last forward total: a year is then 8,760
// rows rather than half a million, and at a chart's width a pixel column
// of such a span already spans hours, so the drawn peaks and dips are the
// same. A span whose snapshots are all pruned is read by the hour too. The
// hours keep no flow speed.
struct TrendData {
    enum Series { FlowRate, FlowSpeed, ForwardTotal, SeriesCount };

    std::array<std::vector<TrendReduction::Line>, SeriesCount> lines;
    // Spans longer than this are read by the hour. Three days of one-minute
    // snapshots are 4,320 rows, a few milliseconds to read.
    static constexpr qint64 LongestRawSpan = 3 * 86400;

    qint64 rows = 0; // snapshots read, or hours when `hourly`
    bool hourly = false;
    QString flowRateUnit;  // of the latest row that has one; empty if none
    QString totalizerUnit; // likewise
    QString error;         // empty, or why the store could not be read

    // `first` and `last` are clock seconds (both included); `buckets` about
    // the chart's width in pixels; `line` the meter's, when given.
    static TrendData read(const QSqlDatabase& db, const QString& meter, qint64 first, qint64 last,
                          int buckets, std::optional<int> line = std::nullopt);
};
