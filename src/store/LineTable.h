#pragma once

#include "StoreWrite.h"
#include "StoredLine.h"

#include <QList>
#include <QSqlDatabase>

// The station's lines. Line 1 is the one every store has: its port, baud
// rate, parity and poll period are the ones `kente` has always held (and
// SettingsTable edits), its name and reply timeout added beside them.
// Lines 2 to 16 have a row each in `lines`, with their transport: line 1
// is always serial.
class LineTable {
public:
    // What a line starts with: line 1's starting settings, named
    // "Line N" and on port N.
    static StoredLine startingLine(int number);

    explicit LineTable(QSqlDatabase db) : m_db(std::move(db)) {}

    // Every line by number, line 1 first. A line whose values cannot be
    // read is listed with its fault.
    QList<StoredLine> lines() const;

    // Writes a line's settings, committed with full sync; NoSuchRow for
    // line 1 without its settings row, refused for a number out of range
    // and for line 1 on a gateway.
    StoreWrite storeLine(const StoredLine& line);
    // Drops a line and its meters (their history stays), committed with
    // full sync; refused for line 1, NoSuchRow for a line not there.
    StoreWrite removeLine(int number);

private:
    QSqlDatabase m_db;
};
