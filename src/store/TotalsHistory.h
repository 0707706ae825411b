#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

// One history snapshot of a meter's totalizers, as stored: the texts of
// its forward and reverse totals and their unit, and its moment.
struct StoredTotals {
    qint64 instant = 0; // UTC, milliseconds since the epoch
    QString forward;
    QString reverse;
    QString unit;
};

// A meter's totalizers over a span of its `Historydata` snapshots, for the
// consumption reports.
class TotalsHistory {
public:
    explicit TotalsHistory(QSqlDatabase db) : m_db(std::move(db)) {}

    // The snapshots from `from` to `to` (UTC ms, both included), with the
    // last one before and the first one after, so the range's edges can be
    // interpolated; in time order. nullopt, with the store's reason, when
    // they cannot be read.
    std::optional<QList<StoredTotals>> read(int line, int address, qint64 from, qint64 to,
                                            QString* error) const;

    // The totalizer unit of the meter's latest snapshot that has one;
    // empty when none has.
    QString latestUnit(int line, int address) const;

private:
    QSqlDatabase m_db;
};
