#pragma once

#include <QString>

// One RS-485 line of the station as the store keeps it.
struct StoredLine {
    static constexpr int MaxLines = 16;

    int number = 1;       // 1 to MaxLines
    QString name;         // as the operator gave it; "Line N" when none
    QString port;         // "N" for ports/comN, or a device path
    QString baud;         // the baud rate text
    int parity = 0;       // 0 none, 1 odd, 2 even
    int pollPeriod = 0;   // ms
    int replyTimeout = 0; // ms
    // Why a stored value could not be read, naming it; empty when all were.
    QString fault;

    static QString defaultName(int number) { return QStringLiteral("Line %1").arg(number); }
    // The port as the operator reads it: "comN", or the device path.
    QString portText() const {
        return port.startsWith(QLatin1Char('/')) ? port : QStringLiteral("com") + port;
    }

    bool operator==(const StoredLine&) const = default;
};
