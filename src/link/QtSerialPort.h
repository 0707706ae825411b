#pragma once

#include "FineTimer.h"
#include "LineSettings.h"
#include "PortLocator.h"
#include "SerialPort.h"

#include <QSerialPort>
#include <memory>

class QSocketNotifier;

// SerialPort over Qt's QSerialPort, with comN found by PortLocator. The
// device itself is locked while open (flock on its descriptor), so a second
// tool cannot take it whatever name it reaches it by.
//
// QSerialPort opens, sets up and closes the device. Reading is ours: Qt's
// port reads each piece the driver hands over as it comes and wakes the
// event loop for it, a dozen times for one reply at 9600 baud. Here the
// descriptor is read when the receive side asks (expectBytes): at the
// first byte, then once enough bytes for a reply can have arrived.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(PortLocator locator, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setPortNumber(int number) override;
    int open() override;
    int reopen() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    int setLineSettings(const QString& settings) override;
    QString lineSettings() const override { return m_settingsText; }
    void setFlowControlNone() override;
    void clearBuffers() override;
    int write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    void expectBytes(int count) override;
    QString description() const override;

    // The code for a failed open of `device`.
    static int openFailure(QSerialPort::SerialPortError error, const QString& device);

private:
    int openDevice(const QString& device);
    bool applySettings();
    void drainOutput();
    void onError(QSerialPort::SerialPortError error);
    // The device is gone: closed without waiting for output, and said so.
    void dropLine();
    void startReading();
    void stopReading();
    void listen(bool on);
    void holdOver();

    // Every QObject here is a child, so the port moves with its line to the
    // line's thread.
    PortLocator m_locator;
    QSerialPort m_port;
    int m_portNumber = 1;
    LineSettings m_settings;
    QString m_settingsText = m_settings.text(); // asked for every request
    bool m_pseudoTerminal = false;
    QString m_device; // the path the last open found, for reopen()
    int m_watch = -1; // epoll set holding the descriptor
    std::unique_ptr<QSocketNotifier> m_reader;
    bool m_listening = false;
    FineTimer m_hold;
};
