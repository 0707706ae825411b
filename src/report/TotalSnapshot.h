#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// One stored reading of a meter's totalizers. A snapshot without totals is
// one taken while the meter was silent.
struct TotalSnapshot {
    qint64 instant = 0; // UTC, milliseconds since the epoch
    std::optional<double> forward;
    std::optional<double> reverse;
    QString unit; // a RealtimeMap::totalizerUnits text
};
