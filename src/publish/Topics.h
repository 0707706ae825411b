#pragma once

#include "PublishTable.h"

#include <QByteArray>
#include <QString>

// The topics of one station: <prefix>/<station>/status,
// <prefix>/<station>/snapshot and
// <prefix>/<station>/line/<line>/meter/<address>/...: a meter is its line
// and its address.
class Topics {
public:
    // Why settings cannot be used for publishing; empty when they can.
    static QString problem(const PublishSettings& settings);
    // The station's name: as set, or this computer's host name.
    static QString stationName(const QString& configured);

    explicit Topics(const PublishSettings& settings);

    const QString& station() const { return m_station; }
    QByteArray reading(int line, int address) const;
    QByteArray meterStatus(int line, int address) const;
    QByteArray dayConsumption(int line, int address) const;
    QByteArray alarm(int line, int address) const;
    QByteArray stationStatus() const { return m_base + "/status"; }
    QByteArray snapshot() const { return m_base + "/snapshot"; }

private:
    QByteArray meter(int line, int address) const;

    QString m_station;
    QByteArray m_base; // <prefix>/<station>
};
