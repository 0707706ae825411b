#pragma once

#include "RowSet.h"
#include "StoredReading.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>

// `yibiaodizhi`: the listed meters, each with its latest reading.
class MeterTable {
public:
    // The columns of the live grid, in its order.
    static const QStringList& liveColumns();
    static QString timeText(const QDateTime& time);

    explicit MeterTable(QSqlDatabase db);

    // Blanks every reading column and keeps the addresses.
    void clearReadings();

    // The live grid's rows, ascending numeric address.
    RowSet liveRows() const;

    // Writes one reply's columns and time into the meter's row; false when
    // no row has that address or the store refused.
    bool storeReading(int address, const StoredReading& reading, const QDateTime& time);

    // Appends a copy of every meter row to `Historydata`.
    bool snapshot();

private:
    QSqlDatabase m_db;
    QSqlQuery m_store; // prepared once: it runs for every reply
};
