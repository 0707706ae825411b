#pragma once

#include "ConsumptionRow.h"

#include <QString>
#include <optional>

// One totalizer of one meter (forward or reverse), fed its readings in time
// order. Each reading is judged once the next one is known, against the
// last reading kept and that next one:
// - wrap: a total within 1% of 2^32 below it followed by one below 1% of
//   2^32 (same unit) ran past 4294967295 and goes on from 2^32;
// - glitch: a reading that rises and is above the next one, while the next
//   is still at or above the kept reading (so it rose faster than the flow
//   between its neighbours could carry), or that falls and whose next is
//   back at or above the kept reading, is left out;
// - reset: a fall that the next reading confirms (still below the kept
//   reading) starts a new count from zero, so the volume is the new total;
// - a fall with no next reading to confirm it is left out as a glitch;
// - units: a reading in another unit is converted when both have a known
//   size, otherwise the series breaks there and the volume across the
//   break is left out.
// The volumes come in the report's unit; one that cannot be put in it is
// left out and marked as a unit change.
class TotalizerSeries {
public:
    static constexpr double wrapSpan = 4294967296.0;
    static constexpr double wrapMargin = wrapSpan / 100;

    // The volume between two kept readings.
    struct Segment {
        qint64 from = 0;
        qint64 to = 0;
        double volume = 0;
        ConsumptionMarks marks;
    };
    // What one reading settled about the one before it.
    struct Step {
        std::optional<Segment> segment;
        std::optional<qint64> glitchAt; // the instant of a reading left out
    };

    explicit TotalizerSeries(QString reportUnit);

    Step push(qint64 instant, double total, const QString& unit);
    // Settles the last reading; the series then starts afresh.
    Step finish();

private:
    struct Reading {
        qint64 instant = 0;
        double total = 0;
        QString unit;
    };

    Step judge(const Reading* next);
    static bool wraps(const Reading& before, const Reading& after);

    QString m_reportUnit;
    std::optional<Reading> m_kept;
    std::optional<Reading> m_pending;
};
