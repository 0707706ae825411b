#pragma once

#include "TrendReduction.h"

#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>

// One meter's flow rate, flow speed and forward totalizer over a span of
// stored time, read from its snapshots and reduced to a chart's width.
struct TrendData {
    enum Series { FlowRate, FlowSpeed, ForwardTotal, SeriesCount };

    std::array<std::vector<TrendReduction::Line>, SeriesCount> lines;
    qint64 rows = 0;
    QString flowRateUnit;  // of the latest row that has one; empty if none
    QString totalizerUnit; // likewise
    QString error;         // empty, or why the store could not be read

    // `first` and `last` are clock seconds (both included); `buckets` about
    // the chart's width in pixels; `line` the meter's, when given.
    static TrendData read(const QSqlDatabase& db, const QString& meter, qint64 first, qint64 last,
                          int buckets, std::optional<int> line = std::nullopt);
};
