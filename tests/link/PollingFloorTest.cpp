#include "CRC16.h"
#include "FakeSerialPort.h"
#include "IntervalTimer.h"
#include "ListCursor.h"
#include "PollingCycle.h"
#include "SerialExchange.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// The meters at the far end of a fake line: each but the silent one
// answers its request after `delay`, and the port counts requests that went
// out while an answer was still due, which a half-duplex line loses.
class MeterPort : public FakeSerialPort {
public:
    std::chrono::milliseconds delay{0};
    int silent = 0;
    int collisions = 0;

    int write(const QByteArray& bytes) override {
        if (const int code = FakeSerialPort::write(bytes))
            return code;
        collisions += m_answerDue ? 1 : 0;
        if (bytes[0] == silent)
            return 0;
        m_answerDue = true;
        QTimer::singleShot(delay, this, [this, address = bytes[0]] {
            m_answerDue = false;
            deliver(withCrc(QByteArray(1, address) + "\x03\x30" + QByteArray(48, '\x11')));
        });
        return 0;
    }

private:
    bool m_answerDue = false;
};

// The poll period is a floor: however short, every answer is waited for;
// however long, one request a tick and never one before its tick.
TEST(PollingFloor, EveryAnswerIsWaitedForAndNoRequestComesBeforeItsTick) {
    const std::tuple<std::chrono::milliseconds, std::chrono::milliseconds, int> cases[] = {
        {1ms, 15ms, 0}, // period shorter than the answer
        {1ms, 15ms, 2}, // and a silent meter among them
        {40ms, 0ms, 0}, // period longer, answer at the next turn
        {40ms, 10ms, 0},
    };
    for (const auto& [period, delay, silent] : cases) {
        MeterPort port;
        port.open();
        port.delay = delay;
        port.silent = silent;
        SerialExchange exchange(port);
        ListCursor cursor({1, 2, 3});
        IntervalTimer timer;
        PollingCycle polling(exchange, cursor, timer);
        QSignalSpy ticks(&timer, &IntervalTimer::tick);
        QSignalSpy answers(&exchange, &SerialExchange::replyReceived);
        QElapsedTimer clock;
        clock.start();
        timer.setInterval(period);
        ASSERT_TRUE(QTest::qWaitFor([&] { return port.written.size() >= 9; }, 10000));
        timer.setInterval(0ms);
        const qint64 elapsed = clock.elapsed();
        QTest::qWait(int(delay.count()) + 20); // the last answer lands

        const auto requests = port.written.size();
        EXPECT_EQ(port.collisions, 0) << period.count();
        const auto unanswered = std::count_if(port.written.begin(), port.written.end(),
                                              [&](const QByteArray& r) { return r[0] == silent; });
        EXPECT_EQ(answers.count(), requests - unanswered) << period.count();
        EXPECT_EQ(ticks.count(), requests);
        // Ticks are never early, so never more requests than periods passed.
        EXPECT_LE(requests, elapsed / period.count() + 1);
    }
}

// Held, it ticks only once released; stopped while held, it stays stopped.
TEST(PollingFloor, HeldTimerTicksOnlyOnceReleased) {
    IntervalTimer timer;
    QSignalSpy ticks(&timer, &IntervalTimer::tick);
    timer.setInterval(1ms);
    timer.holdUntil(IntervalTimer::Clock::now() + 1h);
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), 0);
    timer.holdUntil(IntervalTimer::Clock::now());
    EXPECT_TRUE(ticks.wait(1000));

    timer.holdUntil(IntervalTimer::Clock::now() + 1h);
    timer.setInterval(0ms);
    timer.holdUntil(IntervalTimer::Clock::now());
    const int before = int(ticks.count());
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), before);
}

// A time long past fires at the next turn; restarted from its own timeout
// it fires again; moved to a later time it stays quiet.
TEST(FineTimer, TimesPastRestartsAndMoves) {
    FineTimer timer;
    QSignalSpy fired(&timer, &FineTimer::timeout);
    QObject::connect(&timer, &FineTimer::timeout, [&] {
        if (fired.count() == 1)
            timer.start(0us);
    });
    timer.startAt(FineTimer::Clock::time_point{});
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired.count() == 2; }, 5000));
    timer.start(1ms);
    timer.start(1h);
    QTest::qWait(20);
    EXPECT_EQ(fired.count(), 2);
    EXPECT_TRUE(timer.isActive());
}

} // namespace
