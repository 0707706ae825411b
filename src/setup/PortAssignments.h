#pragma once

#include "SerialDevices.h"

#include <QList>
#include <QString>
#include <QStringList>

// Which port number (comN) each serial device is in a data folder, and
// giving a device a number for good: ports/comN becomes a link to the
// device's stable name, so the adapter keeps its number when it comes
// back as another /dev/ttyUSBn.
class PortAssignments {
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 10;

    struct Row {
        SerialDevice device;
        // "com2", ...: the numbers that lead to the device, found as the
        // tool finds its port.
        QStringList ports;
        // This user may open the device.
        bool mayOpen = false;
    };

    explicit PortAssignments(QString folder);

    QList<Row> rows(const QList<SerialDevice>& devices) const;

    // ports/comN in the folder, and where it leads (empty when it is no link).
    QString linkPath(int portNumber) const;
    QString linkTarget(int portNumber) const;

    // Makes ports/comN a link to the device's stable name, or to its path
    // when it has none, replacing an older link. Refuses a number outside
    // 1 to 10 and a ports/comN that is not a link. False with the reason.
    bool assign(const SerialDevice& device, int portNumber, QString* error);
    // Removes the link ports/comN; the device behind it is untouched.
    bool release(int portNumber, QString* error);

private:
    bool checkReplaceable(int portNumber, QString* error) const;

    QString m_folder;
};
