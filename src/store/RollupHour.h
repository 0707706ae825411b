#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

// One meter's hour in the rollups, or what a batch of snapshots adds to it:
// volumes, covered time and alarm seconds add up, minima and maxima merge,
// the first values stay and the last ones are replaced.
struct RollupHour {
    static constexpr int AlarmCount = 6; // AlarmTracker's alarms, No Reply last

    int line = 1;
    int address = 0;
    qint64 hour = 0; // its start, seconds since 1970 UTC

    std::optional<qint64> firstAt; // ms since 1970 UTC
    std::optional<double> firstForward;
    std::optional<double> firstReverse;
    std::optional<qint64> lastAt;
    std::optional<double> lastForward;
    std::optional<double> lastReverse;
    QString unit; // the meter's, at the last total

    std::optional<double> forward; // cubic metres
    std::optional<double> reverse;
    qint64 forwardSeenMs = 0;
    qint64 reverseSeenMs = 0;
    qint64 longestStepMs = 0;
    int marks = 0; // ConsumptionMarks, never Estimated

    std::optional<double> flowMin;
    std::optional<double> flowMax;
    double flowSum = 0;
    int samples = 0;
    std::array<double, AlarmCount> alarmSeconds{};

    // Where folding resumes: the rowids of each totalizer's last kept reading.
    qint64 forwardFrom = 0;
    qint64 reverseFrom = 0;
};
