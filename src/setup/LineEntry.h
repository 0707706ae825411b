#pragma once

#include "StartingDatabase.h"

#include <QString>
#include <optional>

// A line as the line dialog shows and takes it: every field a text, the
// port as comN or a device path, the parity and transport as their list
// texts and the meters as "1-3,7". A serial line leaves the gateway's
// fields out, a gateway line its port.
struct LineEntry {
    QString name;
    QString port;
    QString baud;
    QString parity;
    QString period;
    QString timeout;
    QString meters;
    QString transport = StoredLine::transportName(StoredLine::Transport::Serial);
    QString host{};
    QString tcpPort{};
    QString connectTimeout{};
    QString gap{};
    QString connectPause{};

    static LineEntry of(const StoredLine& line, const QList<int>& meters);
    // "Serial", "RTU over TCP", "Modbus TCP"; nullopt for any other text.
    static std::optional<StoredLine::Transport> transportOf(const QString& name);
    // Runs of neighbouring addresses shortened: 1, 2, 3, 7 gives "1-3,7".
    static QString meterText(const QList<int>& meters);

    // Line `number` with its meters, an empty name giving the line's own;
    // nullopt with a notice naming the first bad field otherwise.
    std::optional<StartingDatabase::Line> parse(int number, QString* notice) const;
};
