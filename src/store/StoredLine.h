#pragma once

#include <QString>
#include <optional>

// One RS-485 line of the station as the store keeps it: a serial port, or
// a gateway (a serial device server) on the network with the bus behind it.
struct StoredLine {
    static constexpr int MaxLines = 16;

    // How the line reaches its bus: its own serial port, RTU frames over a
    // TCP connection (a transparent device server), or Modbus TCP (MBAP
    // header, no CRC) to a gateway that speaks RTU on the bus.
    enum class Transport { Serial, RtuOverTcp, ModbusTcp };

    static constexpr int ModbusTcpPort = 502;
    // A gateway adds its own latency to every reply.
    static constexpr int GatewayReplyTimeout = 500;    // ms
    static constexpr int GatewayConnectTimeout = 3000; // ms

    int number = 1;       // 1 to MaxLines
    QString name;         // as the operator gave it; "Line N" when none
    QString port;         // "N" for ports/comN, or a device path; serial lines only
    QString baud;         // the baud rate text (of the bus behind a gateway too)
    int parity = 0;       // 0 none, 1 odd, 2 even
    int pollPeriod = 0;   // ms
    int replyTimeout = 0; // ms
    Transport transport = Transport::Serial;
    QString host{};                             // a gateway's host name or address
    int tcpPort = 0;                            // a gateway's TCP port
    int connectTimeout = GatewayConnectTimeout; // ms
    int requestGap = 0;                         // ms of quiet after a reply before the next request
    int connectPause = 0;                       // ms after connecting before the first request
    // Why a stored value could not be read, naming it; empty when all were.
    QString fault{};

    static QString defaultName(int number) { return QStringLiteral("Line %1").arg(number); }
    bool isGateway() const { return transport != Transport::Serial; }
    // The port as the operator reads it: "comN", the device path, or the
    // gateway's "host:port".
    QString portText() const {
        if (isGateway())
            return QStringLiteral("%1:%2").arg(host).arg(tcpPort);
        return port.startsWith(QLatin1Char('/')) ? port : QStringLiteral("com") + port;
    }

    // As stored and as make-db takes it: "serial", "rtu-tcp", "modbus-tcp".
    static QString transportText(Transport transport) {
        switch (transport) {
        case Transport::RtuOverTcp:
            return QStringLiteral("rtu-tcp");
        case Transport::ModbusTcp:
            return QStringLiteral("modbus-tcp");
        case Transport::Serial:
            break;
        }
        return QStringLiteral("serial");
    }
    static std::optional<Transport> transportFrom(const QString& text) {
        for (Transport transport : {Transport::Serial, Transport::RtuOverTcp, Transport::ModbusTcp})
            if (text.compare(transportText(transport), Qt::CaseInsensitive) == 0)
                return transport;
        return std::nullopt;
    }
    // For the operator: "Serial", "RTU over TCP", "Modbus TCP".
    static QString transportName(Transport transport) {
        switch (transport) {
        case Transport::RtuOverTcp:
            return QStringLiteral("RTU over TCP");
        case Transport::ModbusTcp:
            return QStringLiteral("Modbus TCP");
        case Transport::Serial:
            break;
        }
        return QStringLiteral("Serial");
    }

    bool operator==(const StoredLine&) const = default;
};
