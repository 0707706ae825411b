#pragma once

#include <QList>
#include <QString>
#include <functional>

// A serial device present on this machine.
struct SerialDevice {
    QString path;       // /dev/ttyUSB0
    QString stableName; // its /dev/serial/by-id link, empty when it has none
    QString description;
    QString manufacturer;
    QString serialNumber;
};

using SerialDeviceSource = std::function<QList<SerialDevice>()>;

// The serial devices that Qt finds, each with the name that udev keeps
// for it across replugs and reboots (/dev/serial/by-id: bus, maker, model
// and serial number), where it has one.
class SerialDevices {
public:
    static QString byIdFolder() { return QStringLiteral("/dev/serial/by-id"); }

    static QList<SerialDevice> present();
    // The link in `folder` that leads to `device`; empty when none does.
    static QString stableName(const QString& device, const QString& folder = byIdFolder());
};
