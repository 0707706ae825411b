#pragma once

#include "LineSettings.h"
#include "PortError.h"
#include "SerialPort.h"

#include <QList>
#include <utility>

// A serial port that records what the tool asks of it and lets a test
// push bytes in as if they had arrived on the line.
class FakeSerialPort : public SerialPort {
    Q_OBJECT
public:
    using SerialPort::SerialPort;

    // What open() returns; 0 opens the port.
    int openResult = PortError::None;
    QList<QByteArray> written;
    QStringList calls; // "open 2", "close", "settings 19200,o,8,1", ...

    void setPortNumber(int number) override { m_number = number; }
    bool movesToItsLine() const override { return false; } // driven by the test
    int open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    int setLineSettings(const QString& settings) override;
    QString lineSettings() const override { return m_settings.text(); }
    void setFlowControlNone() override {}
    void clearBuffers() override { m_incoming.clear(); }
    int write(const QByteArray& bytes) override;
    QByteArray readAll() override { return std::exchange(m_incoming, {}); }

    // Bytes "arrive": the port signals and the tool reads them.
    void deliver(const QByteArray& bytes);

private:
    int m_number = 1;
    bool m_open = false;
    LineSettings m_settings;
    QByteArray m_incoming;
};
