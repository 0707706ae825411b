#pragma once

#include "Reading.h"
#include "StoreWrite.h"

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

    // Blanks every reading column and keeps the addresses; with `before`,
    // only the readings stored before that time.
    StoreWrite clearReadings(const std::optional<QDateTime>& before = std::nullopt);

    // Every meter's latest reading, ascending numeric address; none when
    // the table cannot be read.
    QList<Reading> readings() const;

    // Writes a reading's values and time into its meter's row, keeping the
    // columns it lacks; NoSuchRow when no row has its address.
    StoreWrite storeReading(const Reading& reading);

    // Appends a copy of every meter row to `Historydata`, committed with
    // full sync: history must survive a power cut.
    StoreWrite snapshot();

    // The listed addresses, ascending.
    QList<int> addresses() const;
    // Lists a meter with empty readings; an address listed already is left
    // as it is.
    StoreWrite addMeter(int address);
    // Drops a meter and its latest reading; an address not listed is no
    // failure.
    StoreWrite deleteMeter(int address);

private:
    QSqlDatabase m_db;
    QSqlQuery m_store; // prepared once: it runs for every reply
};
