#pragma once

#include <QTimeZone>
#include <optional>
#include <string>
#include <string_view>

#include "UtcOffsets.h"

// Stored times ("2026-12-06 14:05:00", local time) as ISO 8601 local time
// with its offset from UTC ("2026-12-06T14:05:00+01:00").
class LocalTimeText {
public:
    // `zone` nullopt: the system's local time, as the times were stored.
    explicit LocalTimeText(std::optional<QTimeZone> zone = std::nullopt);

    // Appends the ISO text of a stored time; false, appending nothing, for
    // a text that is not a stored time.
    bool append(std::string_view stored, std::string& out);

private:
    UtcOffsets m_offsets;
};
