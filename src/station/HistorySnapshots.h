#pragma once

#include <QString>

// The minute counter of the snapshot timer and when it calls for a
// snapshot. No SQL here: the station runs the insert.
class HistorySnapshots {
public:
    // The counter is a 16-bit number: it stops here instead of wrapping.
    static constexpr int CounterLimit = 32767;

    // One minute of reading has passed; `intervalText` is the record
    // interval box as it stands. True when a snapshot is due, and the count
    // then starts again from 0 whether or not the snapshot succeeds.
    bool minutePassed(const QString& intervalText);

    int minuteCounter() const { return m_minutes; }
    void reset() { m_minutes = 0; }

private:
    int m_minutes = 0;
};
