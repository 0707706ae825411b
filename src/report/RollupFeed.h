#pragma once

#include "HistoryRow.h"
#include "RollupBuilder.h"

#include <QString>
#include <string>

// Stored history rows made into the builder's snapshots, fast enough for a
// walk over millions of them: numbers read without a locale, a unit or a
// status text that repeats the row before is not read again. A row kept
// while its meter was silent has no time: it counts from the latest time
// seen before it, the snapshot it was taken with, if any.
class RollupFeed {
public:
    RollupBuilder::Snapshot snapshot(const HistoryRow& row);

private:
    std::string m_unitText;
    QString m_unit;
    std::string m_statusText = std::string(1, '\0'); // matches no real status
    quint8 m_alarms = 0;
    qint64 m_latest = 0;
};
