#pragma once

#include "RollupHour.h"
#include "TotalizerSeries.h"

#include <QList>
#include <QString>
#include <array>
#include <map>
#include <optional>
#include <string_view>

// Folds one meter's snapshots, in the order they were stored, into its
// hours (UTC): first and last totals, flow rate extremes, sum and count,
// seconds in each alarm, and the volumes. Each settled TotalizerSeries
// step is shared out over the hours it spans in proportion to time, as
// Consumption does over its periods, so hours summed give what Consumption
// gives on the snapshots themselves. Streaming: what the snapshots pushed so
// far add to each hour is taken, and added to the stored hours, as often
// as the caller likes.
class RollupBuilder {
public:
    // The unit every volume is kept in; a report converts it to its own.
    static constexpr const char* VolumeUnit = "m3";

    struct Snapshot {
        qint64 row = 0;     // where it is stored, to resume from
        qint64 instant = 0; // ms since 1970 UTC; 0: not known
        std::optional<double> forward;
        std::optional<double> reverse;
        QString unit;
        std::optional<double> flowRate;
        quint8 alarms = 0; // bit i: AlarmTracker::Alarm(i)
    };

    // The alarms a status text names; none at all, an empty status: No Reply.
    static quint8 alarmsOf(std::string_view status);

    RollupBuilder(int line, int address);

    void push(const Snapshot& given);
    // A snapshot folded in before: its state is restored and nothing is
    // added. A totalizer takes it only from its resume row on.
    void replay(const Snapshot& snapshot, qint64 forwardFrom, qint64 reverseFrom);
    // Settles the last readings, as when no snapshot follows.
    void finish();

    // What the snapshots since the last call add to each hour, in order.
    QList<RollupHour> take();
    // Snapshots left out: out of time order, or a total that is not a
    // finite number of zero or more.
    int dropped() const { return m_dropped; }
    bool isEmpty() const { return !m_lastRow; }

private:
    RollupHour& hourAt(qint64 instant);
    void settle(int series, const TotalizerSeries::Step& step);
    void addAlarms(qint64 from, qint64 to);

    int m_line;
    int m_address;
    std::array<TotalizerSeries, 2> m_series;
    std::array<qint64, 2> m_keptRow{}; // the row of each totalizer's last kept reading
    std::array<std::optional<qint64>, 2> m_pendingRow;
    std::optional<qint64> m_lastRow;
    std::optional<qint64> m_lastInstant;
    quint8 m_alarms = 0;
    bool m_replaying = false;
    int m_dropped = 0;
    std::map<qint64, RollupHour> m_hours; // by hour start, seconds
};
