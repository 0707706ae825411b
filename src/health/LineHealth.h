#pragma once

#include "LineStatistics.h"
#include "MeterFreshness.h"
#include "StoreHealth.h"

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
    void replyDropped(const QString& hexText);

    // The outcome of any write to the database.
    void storeWrite(const StoreWrite& write);

    const LineStatistics& statistics() const { return m_statistics; }
    const MeterFreshness& freshness() const { return m_freshness; }
    const StoreHealth& store() const { return m_store; }
    void resetStatistics();

signals:
    // A meter missed its last polls, or never answered since reading began.
    void meterSilent(int address, const QString& noReplyText);
    // A silent meter answered again.
    void meterAnswering(int address);
    // A meter's freshness changed in any way (its no-reply text with it).
    void meterFreshnessChanged(int address);

    void storeFailing(const QString& reason);
    void storeRecovered();

private:
    void onFrameSent(const QByteArray& frame);
    void missed(int address);
    void answered(int address);

    SerialExchange& m_exchange;
    LineStatistics m_statistics;
    MeterFreshness m_freshness;
    StoreHealth m_store;
};
