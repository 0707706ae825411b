#pragma once

#include "RowSet.h"

#include <QSqlDatabase>

// The one row of `kente`: port, baud text, parity code, poll period and
// record interval.
class SettingsTable {
public:
    explicit SettingsTable(QSqlDatabase db) : m_db(std::move(db)) {}

    // "select * from kente", as start-up reads it.
    RowSet read() const;

private:
    QSqlDatabase m_db;
};
