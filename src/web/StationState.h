#pragma once

#include "LineStatistics.h"
#include "Reading.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

// What the web endpoints show, taken from the station on its own thread
// at a steady pace and handed whole to the server's thread: a client never
// touches the station, and the station never waits for a client.
struct StationState {
    // Counts up with every state taken: what was rendered for one version
    // can be served again until the next.
    qint64 version = 0;
    QDateTime takenAt;   // local, with its offset
    QString station;     // the publishing station name, else the host name
    QString toolVersion; // "1.4.0"
    bool reading = false;
    QDateTime startedAt;
    QDateTime lastSnapshot; // invalid before the first of this run

    struct Line {
        int number = 1;
        QString name;
        QString port;   // "com1 -> /dev/ttyUSB0", "pumphouse-gw:502"
        QString health; // "ok", "lost" (port gone), "silent" (no meter answers), "idle"
        int meters = 0; // listed on it
        LineStatistics::LineCounts counts;
    };
    QList<Line> lines; // by number

    struct Meter {
        Reading reading; // line, address, value texts and when stored
        QString noReply; // empty while it answers; else since when, as the grid says
    };
    QList<Meter> meters; // by line, then address

    struct Alarm {
        int line = 1;
        int address = 0;
        QString alarm;    // "Empty Pipe Alarm", ..., "No Reply"
        qint64 since = 0; // ms since 1970 UTC
        std::optional<qint64> acknowledgedAt;
        std::optional<int> acknowledgedBy; // access level
    };
    QList<Alarm> alarms; // active now, oldest first

    struct Store {
        qint64 readingsStored =
            0;                // replies committed this run (refusals: each line's storeFailures)
        qint64 snapshots = 0; // history snapshots taken this run
    } store;

    struct Publishing {
        bool enabled = false;
        QString state;  // "off", "invalid", "connecting", "connected", "unreachable"
        QString status; // "Publishing to broker:1883", "Broker unreachable, 6 waiting"
        qint64 waiting = 0;
        qint64 dropped = 0;
    } publishing;
};
