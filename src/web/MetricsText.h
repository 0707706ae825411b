#pragma once

#include "StationState.h"

#include <QByteArray>

// The Prometheus text format (0.0.4) of one state: every family with its
// help and type, names rx7100_..., labels `line` and `meter` (its address).
// A counter's family carries the _total suffix, as the format's parsers
// want it. A value text that is not a plain number has no sample at all.
namespace MetricsText {

QByteArray render(const StationState& state);

} // namespace MetricsText
