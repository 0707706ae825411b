#pragma once

#include <optional>

// The row the polling cycle asks next; the live grid's current row.
class PollCursor {
public:
    virtual ~PollCursor() = default;
    // The meter address of the current row; nullopt when no meter is listed.
    virtual std::optional<int> currentAddress() const = 0;
    // The next row, wrapping from the last to the first.
    virtual void moveToNext() = 0;
};
