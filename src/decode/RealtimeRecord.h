#pragma once

#include "Reading.h"

#include <QStringView>
#include <optional>

// One meter's real-time record (registers 0 to 23) as a reading without a
// time yet. nullopt when the text is not exactly 106 hex digits or its CRC
// does not match; such a reply is dropped without a trace.
std::optional<Reading> decodeRealtimeRecord(QStringView hexText);
