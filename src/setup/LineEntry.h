#pragma once

#include "StartingDatabase.h"

#include <QString>
#include <optional>

// A line as the line dialog shows and takes it: every field a text, the
// port as comN or a device path, the parity as its list text and the
// meters as "1-3,7".
struct LineEntry {
    QString name;
    QString port;
    QString baud;
    QString parity;
    QString period;
    QString timeout;
    QString meters;

    static LineEntry of(const StoredLine& line, const QList<int>& meters);
    // Runs of neighbouring addresses shortened: 1, 2, 3, 7 gives "1-3,7".
    static QString meterText(const QList<int>& meters);

    // Line `number` with its meters, an empty name giving the line's own;
    // nullopt with a notice naming the first bad field otherwise.
    std::optional<StartingDatabase::Line> parse(int number, QString* notice) const;
};
