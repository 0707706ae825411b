#pragma once

#include "StationState.h"

#include <QByteArray>

// The documents the server hands out, each made from one state: they read
// nothing else, so each can be tested from a state made by hand.
namespace WebPages {

// "/": the status page. Plain HTML with a few lines of script that fetch
// the JSON below every 2 s and redraw; readable on a phone.
QByteArray statusPage();

// "/api/v1/station", "/api/v1/lines", "/api/v1/meters", "/api/v1/alarms".
QByteArray stationJson(const StationState& state);
QByteArray linesJson(const StationState& state);
QByteArray metersJson(const StationState& state);
QByteArray alarmsJson(const StationState& state);

// "/metrics": the Prometheus text format, version 0.0.4.
QByteArray metrics(const StationState& state);

} // namespace WebPages
