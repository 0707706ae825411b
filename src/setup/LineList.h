#pragma once

#include "LineTable.h"
#include "MeterTable.h"
#include "StartingDatabase.h"

#include <QSqlDatabase>
#include <optional>

// The station's lines as the setup window edits them: each line's
// settings and its meters, line 1's in the same rows the line settings
// and the meter address list edit.
class LineList {
public:
    explicit LineList(QSqlDatabase db);

    // Every line by number, with its meters.
    QList<StartingDatabase::Line> lines() const;
    // The lowest number a new line can take; nullopt when all are taken.
    std::optional<int> freeNumber() const;

    // Writes the line, then lists and drops meters until it has those
    // given. Stops at the first refusal, which it returns.
    StoreWrite store(const StartingDatabase::Line& line);
    // Drops a line and its meters; refused for line 1.
    StoreWrite remove(int number) { return m_lines.removeLine(number); }

private:
    LineTable m_lines;
    MeterTable m_meters;
};
