#pragma once

#include "LineStatistics.h"
#include "LocalClock.h"
#include "MeterFreshness.h"
#include "SilenceWatchdog.h"
#include "StoreHealth.h"

#include <QMutex>
#include <QObject>
#include <QString>

class SerialExchange;

// How the line and the store are doing, without any window: it watches the
// exchange's frames and bytes, is told what became of each real-time reply
// and each store write, and says so in signals that the main window, a
// headless run or a publisher can take up.
class LineHealth : public QObject {
    Q_OBJECT
public:
    explicit LineHealth(SerialExchange& exchange, QObject* parent = nullptr);

    // Reading began: meters that never answered are silent from now on.
    void readingStarted();

    // What became of a complete real-time reply.
    void replyStored(int address);
    void replyNotStored(int address);
    // A reply told stored above that the store then refused.
    void storeRefused(int address);
    void replyDropped(const QString& hexText);
    // A reply was still arriving when its poll's time was up.
    void replyLate();
    // Late replies in a row before the line says so.
    static constexpr int LateRunForNotice = 3;

    // The outcome of any write to the database.
    void storeWrite(const StoreWrite& write);

    // The port went away, and came back; the port says which and why.
    void portLost();
    void portBack();
    // Told lost and not yet back.
    bool isPortLost() const { return m_portLost; }
    // The port was reopened because the line had gone quiet.
    void watchdogReopened(const QString& port);

    // A copy of the counts as they stand: any thread may ask.
    LineStatistics statistics() const;
    // What the receive buffer holds now, not yet a reply nor dropped.
    qsizetype bytesAwaitingReply() const;
    const MeterFreshness& freshness() const { return m_freshness; }
    void resetStatistics();

signals:
    // A meter missed its last polls, or never answered since reading began.
    void meterSilent(int address, const QString& noReplyText);
    // A silent meter answered again.
    void meterAnswering(int address);
    // A meter's freshness changed in any way (its no-reply text with it).
    void meterFreshnessChanged(int address, const QString& noReplyText);

    void storeFailing(const QString& reason);
    void storeRecovered();

    // `port` as "com1 -> /dev/ttyUSB0" or "pumphouse-gw:502"; `loss` and
    // `back` as the port words them for the operator.
    void lineLost(const QString& port, const QString& loss);
    void lineBack(const QString& port, const QString& back);
    // No byte at all for a while (SilenceWatchdog): time to reopen the port.
    void lineStalled();
    // The port was reopened for that; the line is silent, not fine.
    void lineSilent(const QString& port);
    // A request could not be handed to the port, the first of a run of
    // such failures while the port is not known lost; `cause` says why.
    void sendFailing(const QString& port, const QString& cause);
    // Replies keep coming after the reply timeout, once until one is on time.
    void repliesLate(const QString& port);

private:
    // The counts are kept on the line's thread and read from the
    // station's: each touch holds the lock, never across a signal.
    template <typename Touch> auto count(Touch touch) const {
        const QMutexLocker lock(&m_statisticsLock);
        return touch(m_statistics);
    }
    void onFrameSent(const QByteArray& frame);
    void onSendFailed(int code);
    void missed(int address);
    void answered(int address, const QDateTime& at);

    SerialExchange& m_exchange;
    mutable LineStatistics m_statistics;
    mutable QMutex m_statisticsLock;
    MeterFreshness m_freshness;
    LocalClock m_clock; // read for every request and reply
    StoreHealth m_store;
    SilenceWatchdog m_watchdog;
    bool m_portLost = false;
    bool m_sendFailing = false;
    int m_lateRun = 0;
};
