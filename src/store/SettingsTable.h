#pragma once

#include "RowSet.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

// The one row of `kente`: port, baud text, parity code, poll period and
// record interval.
class SettingsTable {
public:
    explicit SettingsTable(QSqlDatabase db) : m_db(std::move(db)) {}

    // "select * from kente", as start-up reads it.
    RowSet read() const;
    // The same row as the communication setup window reads it.
    RowSet readForSetup() const;

    // Writes the line settings into the row. A port or parity left nullopt
    // keeps what is stored. False when the store refused or has no row.
    bool storeLineSettings(const QString& baud, std::optional<int> com, int timer,
                           std::optional<int> noe);
    // Writes the record interval in minutes; false as above.
    bool storeRecordInterval(int minutes);

private:
    QSqlDatabase m_db;
};
