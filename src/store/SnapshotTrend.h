#pragma once

#include "HistoryTable.h"

#include <QString>
#include <optional>

// The statements behind a trend chart of one meter's snapshots. Bounds are
// stored time texts ("yyyy-MM-dd HH:mm:ss"), both included, so a chart can
// read any span it is zoomed to; the meter is compared as the snapshots
// keep it, as text.
namespace SnapshotTrend {

// Columns of `rows`, in order.
enum Column { Time, FlowRate, FlowSpeed, ForwardTotal };

// Time, flow rate, flow speed and forward totalizer, oldest first, found
// by the (address, time) index; of that line's meter when a line is given,
// an address being on several lines.
BoundStatement rows(const QString& meter, const QString& first, const QString& last,
                    std::optional<int> line = std::nullopt);

// The flow-rate unit and the totalizer unit of the meter's latest row in
// the span that has them.
BoundStatement units(const QString& meter, const QString& first, const QString& last,
                     std::optional<int> line = std::nullopt);

// Columns of `hours`, in order.
enum HourColumn { Hour, FlowMin, FlowMax, LastAt, LastForward, Unit };

// The meter's hour rollups from the hour holding `first` to `last` (seconds
// since 1970 UTC), oldest first; of that line's meter when a line is given,
// else of the address on any line.
BoundStatement hours(const QString& meter, qint64 first, qint64 last,
                     std::optional<int> line = std::nullopt);

} // namespace SnapshotTrend
