#pragma once

#include "IntervalTimer.h"
#include "LocalClock.h"
#include "MeterCursor.h"
#include "PortRecovery.h"
#include "Reading.h"
#include "ReplyKind.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <memory>
#include <type_traits>

class LineHealth;
class PollingCycle;
class SerialExchange;
class SerialPort;

// One RS-485 line of the station: its port and exchange, its poll cycle
// over its own meters, its health and statistics, and the recovery of a
// lost or silent port. Once started it reads on a thread of its own, so a
// silent meter, a garbled line or a lost adapter here never delays another
// line, nor a busy window or store this one. It stores nothing: each
// decoded real-time reply goes to the station, every other reply to
// whoever asked for it.
//
// From the station's thread, a line on its own thread is driven only by
// its thread-aware members (startReading, stopReading, setMeters, ...) and
// call(); a window that works on its port directly borrows the line first.
class Line : public QObject {
    Q_OBJECT
public:
    Line(int number, std::unique_ptr<SerialPort> port, QObject* parent = nullptr);
    ~Line() override;

    int number() const { return m_number; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    // Opens its port as the operator's start does, on the line's thread; a
    // port that does not open is tried again as a lost one. 0 or the
    // open's failure code (0 too for a gateway still connecting).
    int open();
    // Its port was lost, or would not open, and is being retried.
    bool isLost() const;

    // From here on it reads on a thread of its own, when its port may.
    void startThread();
    bool hasOwnThread() const { return m_thread != nullptr; }
    // Runs `work` on the line's thread and waits for it; at once when the
    // caller is there already.
    template <typename Work> auto call(Work work) {
        using Result = std::invoke_result_t<Work>;
        if (QThread::currentThread() == thread())
            return work();
        if constexpr (std::is_void_v<Result>) {
            QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
        } else {
            Result result{};
            QMetaObject::invokeMethod(
                this, [&result, &work] { result = work(); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }
    // The line comes over to the thread of the caller (the station's), where
    // a window can work on its port and timers directly, polls and all,
    // until every borrow is given back.
    void borrow();
    void giveBack();

    // The poll period, a floor, for the next start.
    void setPollPeriod(std::chrono::milliseconds period) { m_pollPeriod = period; }
    std::chrono::milliseconds pollPeriod() const { return m_pollPeriod; }
    void setReplyTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds replyTimeout() const { return m_replyTimeout; }
    // Quiet kept after a reply before the next request, beyond the bus's
    // frame gap: some gateways need it.
    void setRequestGap(std::chrono::milliseconds gap);
    // The meters it asks, ascending; the next poll asks the first.
    void setMeters(const QList<int>& addresses);
    // Polls its meters.
    void startReading();
    void stopReading();

    // Decodes a real-time reply of this line and counts it: a whole reply
    // of a listed meter goes out as readingTaken(), anything else is
    // counted only.
    void takeReply(const QString& hexText);

    SerialPort& port() { return *m_port; }
    const SerialPort& port() const { return *m_port; }
    SerialExchange& exchange() { return *m_exchange; }
    LineHealth& health() { return *m_health; }
    const LineHealth& health() const { return *m_health; }
    PollingCycle& polling() { return *m_polling; }
    IntervalTimer& pollTimer() { return m_pollTimer; }
    MeterCursor& cursor() { return m_cursor; }

signals:
    // A whole real-time reply of a listed meter, decoded and stamped.
    void readingTaken(const Reading& reading, const QString& hexText);
    // A complete parameter-block reply (kinds Block1 to Block4).
    void parameterBlockReceived(ReplyKind kind, const QString& hexText);

private:
    // A lost port's device is tried again, by its own path, until it opens.
    void portLost();
    void portOpened();
    void retryPort();
    // The line gave no byte for a while: close and reopen its device.
    void reopenStalledPort();

    // Every QObject here is a child: they all move with the line.
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
    LocalClock m_clock; // stamps every reading
    std::chrono::milliseconds m_pollPeriod{0};
    std::chrono::milliseconds m_replyTimeout;
    // Not a child: it stays with the station.
    std::unique_ptr<QThread> m_thread;
    QThread* m_home = nullptr; // where a borrowed line goes
    int m_borrows = 0;
};
