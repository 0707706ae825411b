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

    // The listed addresses, ascending, as the setup window's list shows them.
    RowSet addresses() const;
    // Lists a meter with empty readings; an address listed already is left
    // as it is. False when the store refused.
    bool addMeter(int address);
    // Drops a meter and its latest reading; an address not listed is no
    // failure. False when the store refused.
    bool deleteMeter(int address);

private:
    QSqlDatabase m_db;
    QSqlQuery m_store; // prepared once: it runs for every reply
};
