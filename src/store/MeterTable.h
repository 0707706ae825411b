#pragma once

#include "Reading.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>

// `yibiaodizhi`: the listed meters, each with its latest reading, and the
// history snapshots taken of it. The one place that knows which column
// holds which value of a reading.
class MeterTable {
public:
    // A time as the store keeps it: "yyyy-MM-dd HH:mm:ss".
    static QString timeText(const QDateTime& time);

    explicit MeterTable(QSqlDatabase db);

    // Blanks every reading column and keeps the addresses.
    void clearReadings();

    // Every meter's latest reading, ascending numeric address; none when
    // the table cannot be read.
    QList<Reading> readings() const;

    // Writes a reading's values and time into its meter's row, keeping the
    // columns it lacks; false when no row has its address or the store
    // refused.
    bool storeReading(const Reading& reading);

    // Appends a copy of every meter row to `Historydata`.
    bool snapshot();

    // The listed addresses, ascending.
    QList<int> addresses() const;
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
