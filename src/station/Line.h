#pragma once

#include "IntervalTimer.h"
#include "MeterCursor.h"
#include "PortRecovery.h"
#include "ReplyKind.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>

class LatestReadings;
class LineHealth;
class PollingCycle;
class SerialExchange;
class SerialPort;

// One RS-485 line of the station: its port and exchange, its poll cycle
// over its own meters, its health and statistics, and the recovery of a
// lost or silent port. It stores nothing: each real-time reply goes to the
// station, every other reply to whoever asked for it.
class Line : public QObject {
    Q_OBJECT
public:
    Line(int number, std::unique_ptr<SerialPort> port, const LatestReadings& readings,
         QObject* parent = nullptr);
    ~Line() override;

    int number() const { return m_number; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    // Opens its port as the operator's start does; a port that does not
    // open is tried again as a lost one. 0 or the open's failure code.
    int open();

    // The poll period, a floor, for the next start.
    void setPollPeriod(std::chrono::milliseconds period) { m_pollPeriod = period; }
    std::chrono::milliseconds pollPeriod() const { return m_pollPeriod; }
    // Polls its meters.
    void startReading();
    void stopReading();

    SerialPort& port() { return *m_port; }
    const SerialPort& port() const { return *m_port; }
    SerialExchange& exchange() { return *m_exchange; }
    LineHealth& health() { return *m_health; }
    const LineHealth& health() const { return *m_health; }
    PollingCycle& polling() { return *m_polling; }
    IntervalTimer& pollTimer() { return m_pollTimer; }
    MeterCursor& cursor() { return m_cursor; }

signals:
    // A complete real-time reply, as hex text.
    void realtimeReply(const QString& hexText);
    // A complete parameter-block reply (kinds Block1 to Block4).
    void parameterBlockReceived(ReplyKind kind, const QString& hexText);

private:
    // A lost port's device is tried again, by its own path, until it opens.
    void portLost();
    void retryPort();
    // The line gave no byte for a while: close and reopen its device.
    void reopenStalledPort();

    int m_number;
    QString m_name;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<SerialExchange> m_exchange;
    std::unique_ptr<LineHealth> m_health;
    MeterCursor m_cursor;
    IntervalTimer m_pollTimer;
    std::unique_ptr<PollingCycle> m_polling;
    PortRecovery m_recovery;
    QTimer m_retryTimer;
    std::chrono::milliseconds m_pollPeriod{0};
};
