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
    // Opens the port number's device as the lookup finds it now: what the
    // operator's start, save or change of the port does.
    virtual int open() = 0;
    // Opens again the device the last open found, by the same path and
    // never another: recovery must not take a built-in port for a lost
    // adapter. A path that is gone is a device that is away (NoSuchPort).
    // Before any open, or after the port number changed, the same as open().
    virtual int reopen() { return open(); }
    // Whether the port may read on its line's own thread; one a test drives
    // by hand stays on the test's.
    virtual bool movesToItsLine() const { return true; }
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
    int openEmptied() { return emptied(open()); }
    // The same, by reopen().
    int reopenEmptied() { return emptied(reopen()); }

    // Hands the bytes over and returns at once.
    virtual int write(const QByteArray& bytes) = 0;
    virtual QByteArray readAll() = 0;

    // Which port on which device, for the operator: "com1 -> /dev/ttyUSB0".
    virtual QString description() const { return {}; }
    // What the operator is told when the port is lost, and when it is back:
    // a serial port names its device; a gateway says what its connection
    // met ("Gateway pumphouse-gw:502 refused the connection").
    virtual QString lossText() const {
        return QStringLiteral("Serial port lost (%1)").arg(description());
    }
    virtual QString returnText() const {
        return QStringLiteral("Serial port is back (%1)").arg(description());
    }
    // Whether the bus is reached through a gateway on the network.
    virtual bool isGateway() const { return false; }
    // Whether the quiet between frames on the bus is kept by someone else
    // (a Modbus TCP gateway, which speaks RTU on the bus itself).
    virtual bool keepsFrameGap() const { return false; }

    // How soon the receive side wants to hear of arrived bytes: not before
    // `count` more can have come in at the line's speed, so that a reply
    // costs a few wake-ups instead of one for every piece the driver hands
    // over. 0 asks for the next byte at once; NothingWanted for nothing
    // until asked again. Only a hint: this port reports every arrival.
    static constexpr int NothingWanted = -1;
    virtual void expectBytes(int count) { Q_UNUSED(count); }

private:
    int emptied(int openCode) {
        if (openCode != 0)
            return openCode;
        setFlowControlNone();
        clearBuffers();
        return 0;
    }

signals:
    // At least one byte waits to be read.
    void bytesArrived();
    // The device went away under the open port (unplugged, hung up, a
    // write it refused); the port has closed itself. A port that opens in
    // the background (a gateway's connection) also says so when it fails
    // to open.
    void lost();
    // A port that opens in the background is open now.
    void opened();
    // Replies that never reach the receive side, from a gateway: one to an
    // earlier request, a garbled one, a Modbus exception and its code.
    void staleReply();
    void garbledReply();
    void exceptionReply(int code);
};
