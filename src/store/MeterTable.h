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

    // Every meter's latest reading, by line and then address; none when
    // the table cannot be read.
    QList<Reading> readings() const;

    // Writes a reading's values and time into its meter's row, keeping the
    // columns it lacks; NoSuchRow when no row has its line and address.
    StoreWrite storeReading(const Reading& reading);

    // Appends a copy of every meter row to `Historydata`, committed with
    // full sync: history must survive a power cut.
    StoreWrite snapshot();

    // The addresses listed on a line, ascending.
    QList<int> addresses(int line = 1) const;
    // Lists a meter with empty readings; an address listed already is left
    // as it is. NoSuchRow for a line the station does not have.
    StoreWrite addMeter(int line, int address);
    StoreWrite addMeter(int address) { return addMeter(1, address); }
    // Drops a meter and its latest reading; an address not listed is no
    // failure.
    StoreWrite deleteMeter(int line, int address);
    StoreWrite deleteMeter(int address) { return deleteMeter(1, address); }

private:
    QSqlDatabase m_db;
    QSqlQuery m_store; // prepared once: it runs for every reply
};
