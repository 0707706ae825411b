#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The one serial port of the tool, reduced to what the tool asks of it.
// Failing operations return a code from PortError (0 for success).
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setPortNumber(int number) = 0;
    virtual int open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Text such as "9600,n,8,1"; kept and applied when the port opens,
    // at once when it is open. A bad text changes nothing.
    virtual int setLineSettings(const QString& settings) = 0;
    virtual QString lineSettings() const = 0;

    virtual void setFlowControlNone() = 0;
    virtual void clearBuffers() = 0;

    // Opens the port as every window sets it up: no flow control, both
    // buffers emptied. 0 or the open's failure code.
    int openEmptied() {
        if (const int code = open())
            return code;
        setFlowControlNone();
        clearBuffers();
        return 0;
    }

    // Hands the bytes over and returns at once.
    virtual int write(const QByteArray& bytes) = 0;
    virtual QByteArray readAll() = 0;

    // Which port on which device, for the operator: "com1 -> /dev/ttyUSB0".
    virtual QString description() const { return {}; }

    // How soon the receive side wants to hear of arrived bytes: not before
    // `count` more can have come in at the line's speed, so that a reply
    // costs a few wake-ups instead of one for every piece the driver hands
    // over. 0 asks for the next byte at once; NothingWanted for nothing
    // until asked again. Only a hint: this port reports every arrival.
    static constexpr int NothingWanted = -1;
    virtual void expectBytes(int count) { Q_UNUSED(count); }

signals:
    // At least one byte waits to be read.
    void bytesArrived();
    // The device went away under the open port (unplugged, hung up, a
    // write it refused); the port has closed itself.
    void lost();
};
