#pragma once

#include "SerialPort.h"

// A port that is always open and hands over whatever a benchmark delivers.
class FakePort : public SerialPort {
    Q_OBJECT
public:
    void setPortNumber(int) override {}
    int open() override { return 0; }
    void close() override {}
    bool isOpen() const override { return true; }
    int setLineSettings(const QString&) override { return 0; }
    QString lineSettings() const override { return QStringLiteral("9600,n,8,1"); }
    void setFlowControlNone() override {}
    void clearBuffers() override {}
    int write(const QByteArray&) override { return 0; }
    QByteArray readAll() override {
        QByteArray bytes;
        bytes.swap(m_incoming);
        return bytes;
    }
    void deliver(const QByteArray& bytes) {
        m_incoming = bytes;
        emit bytesArrived();
    }

private:
    QByteArray m_incoming;
};
