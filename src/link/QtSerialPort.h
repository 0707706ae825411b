#pragma once

#include "LineSettings.h"
#include "PortLocator.h"
#include "SerialPort.h"

#include <QSerialPort>

// SerialPort over Qt's QSerialPort, with comN found by PortLocator. The
// device itself is locked while open (flock on its descriptor), so a second
// tool cannot take it whatever name it reaches it by.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(PortLocator locator, QObject* parent = nullptr);

    void setPortNumber(int number) override { m_portNumber = number; }
    int open() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    int setLineSettings(const QString& settings) override;
    QString lineSettings() const override { return m_settings.text(); }
    void setFlowControlNone() override;
    void clearBuffers() override;
    int write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    QString description() const override;

    // The code for a failed open of `device`.
    static int openFailure(QSerialPort::SerialPortError error, const QString& device);

private:
    bool applySettings();
    void drainOutput();
    void onError(QSerialPort::SerialPortError error);
    // The device is gone: closed without waiting for output, and said so.
    void dropLine();

    PortLocator m_locator;
    QSerialPort m_port;
    int m_portNumber = 1;
    LineSettings m_settings;
    bool m_pseudoTerminal = false;
    QString m_device; // the path last opened
};
