#include "FakeSerialPort.h"
#include "Frames.h"
#include "LineHealth.h"
#include "PortRecovery.h"
#include "SerialExchange.h"
#include "SilenceWatchdog.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

TEST(PortRecovery, WaitsDoubleToTenSecondsAndStartOverWhenBack) {
    PortRecovery recovery;
    for (Ms wait : {2s, 4s, 8s, 10s, 10s})
        EXPECT_EQ(recovery.nextDelay(), wait);
    recovery.reset();
    EXPECT_EQ(recovery.nextDelay(), 2s);
}

// Polls 1-20 go unanswered, then reopens 2, 4, 8, 16, 32 s apart, never
// more than a minute; a byte starts it over, and a slow period asks
// twenty more polls after a reopen, not just the stretch.
TEST(SilenceWatchdog, ReopensAfterTwentyPollsThenAtGrowingStretches) {
    const struct {
        Ms pollEvery;
        Ms runFor;
        Ms byteAt; // a byte arrives once at this time; negative for never
        std::vector<Ms> reopenedAt;
    } cases[] = {
        {100ms,
         250s,
         -1ms,
         {1900ms, 3900ms, 7900ms, 15900ms, 31900ms, 63900ms, 123900ms, 183900ms, 243900ms}},
        {100ms, 12s, 5000ms, {1900ms, 3900ms, 6900ms, 8900ms}},
        {1s, 45s, -1ms, {19s, 39s}},
    };
    for (const auto& c : cases) {
        SilenceWatchdog watchdog;
        std::vector<Ms> reopened;
        for (Ms at{0}; at < c.runFor; at += c.pollEvery) {
            if (at == c.byteAt)
                watchdog.byteArrived();
            if (watchdog.pollSent(SilenceWatchdog::Clock::time_point{} + at))
                reopened.push_back(at);
        }
        EXPECT_EQ(reopened, c.reopenedAt) << c.pollEvery.count() << " ms polls";
    }
}

TEST(LineHealth, FailedSendIsCountedAndToldOnceUnlessThePortIsLost) {
    FakeSerialPort port;
    SerialExchange exchange(port);
    LineHealth health(exchange);
    QSignalSpy told(&health, &LineHealth::sendFailing);
    const QByteArray request = Frames::readRequest(1, ReplyKind::RealTime);

    exchange.send(request); // the port is closed
    exchange.send(request);
    EXPECT_EQ(health.statistics().line().requestsNotSent, 2);
    ASSERT_EQ(told.count(), 1);
    EXPECT_TRUE(told.at(0).at(1).toString().startsWith("error code 8018"));

    port.open();
    exchange.send(request); // a send that works ends the run of failures
    port.close();
    health.portLost();
    exchange.send(request);
    EXPECT_EQ(health.statistics().line().requestsNotSent, 3);
    EXPECT_EQ(told.count(), 1); // the loss was told instead
}

} // namespace
