#pragma once

#include <QDateTime>
#include <QFlags>
#include <QString>
#include <optional>

// What a consumption figure went through; a report shows them beside it.
enum class ConsumptionMark : quint8 {
    Estimated = 0x01,  // spread over a gap, or the period only partly seen
    Reset = 0x02,      // the totalizer started again from zero
    Wrap = 0x04,       // the whole part ran past 4294967295
    Glitch = 0x08,     // a reading out of line with both neighbours was left out
    UnitChange = 0x10, // a volume that could not be put in the report's unit was left out
};
Q_DECLARE_FLAGS(ConsumptionMarks, ConsumptionMark)
Q_DECLARE_OPERATORS_FOR_FLAGS(ConsumptionMarks)

// One meter's volumes in one period. A volume is none when the period holds
// no reading of that totalizer at all, never a silent zero.
struct ConsumptionRow {
    QDateTime start; // in the report's zone, so it carries its offset
    QDateTime end;
    std::optional<double> forward;
    std::optional<double> reverse;
    std::optional<double> net; // forward - reverse
    QString unit;
    ConsumptionMarks marks;

    // The marks as words separated by blanks, in a fixed order:
    // "estimated reset wrap glitch unit-change".
    QString notes() const;
};
