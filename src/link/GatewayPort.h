#pragma once

#include "LineSettings.h"
#include "MbapFraming.h"
#include "SerialPort.h"

#include <QAbstractSocket>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>

// A line's bus behind a gateway (a serial device server) on the network,
// as the line's port: one TCP connection, kept open, carrying either the
// RTU frames themselves ("RTU over TCP") or Modbus TCP, translated here so
// the receive side sees RTU replies whatever the framing.
//
// It opens in the background: open() starts connecting (name lookup, the
// connect timeout, the pause some boxes need after connecting) and the
// port is open, and says so by opened(), only once all of that is through;
// any failure closes it and says lost(), with its cause in lossText(). A
// reply timeout never touches the connection.
class GatewayPort : public SerialPort {
    Q_OBJECT
public:
    enum class Framing { Rtu, ModbusTcp };

    struct Target {
        QString host;
        quint16 port = 0;
        Framing framing = Framing::Rtu;
        std::chrono::milliseconds connectTimeout{3000};
        std::chrono::milliseconds connectPause{0};
    };

    explicit GatewayPort(Target target, QObject* parent = nullptr);

    // The gateway is its host and port; a port number means nothing here.
    void setPortNumber(int) override {}
    int open() override;
    void close() override;
    bool isOpen() const override { return m_state == State::Open; }
    // The bus's settings behind the gateway: the line's timing goes by them.
    int setLineSettings(const QString& settings) override;
    QString lineSettings() const override { return m_settingsText; }
    void setFlowControlNone() override {}
    void clearBuffers() override;
    int write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    QString description() const override;
    QString lossText() const override;
    QString returnText() const override;
    bool isGateway() const override { return true; }
    // RTU over TCP passes bytes straight through; the line keeps the gap.
    bool keepsFrameGap() const override { return m_target.framing == Framing::ModbusTcp; }

    // What a socket failure is, for the operator: "refused the connection".
    static QString causeOf(QAbstractSocket::SocketError error, const QString& errorText);

private:
    enum class State { Closed, Connecting, Pausing, Open };

    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void onReadyRead();
    void fail(const QString& cause);
    void takeArrived();

    // Children, so the port moves with its line to the line's thread.
    Target m_target;
    QTcpSocket m_socket;
    QTimer m_connectTimer;
    QTimer m_pauseTimer;
    State m_state = State::Closed;
    QString m_cause;
    QString m_settingsText = LineSettings().text();
    MbapFraming m_mbap;
    QByteArray m_received; // RTU bytes not yet read
};
