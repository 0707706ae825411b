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
#include <set>

namespace {

using namespace std::chrono_literals;

// The meters at the far end of a fake line: each answers its real-time
// request after `delay` (at once for 0), and the port counts requests that
// went out while an answer was still due, which a half-duplex line loses.
class MeterPort : public FakeSerialPort {
public:
    std::chrono::milliseconds delay{0};
    std::set<int> silent;
    int collisions = 0;

    int write(const QByteArray& bytes) override {
        if (const int code = FakeSerialPort::write(bytes))
            return code;
        if (m_answerDue)
            ++collisions;
        const int address = static_cast<std::uint8_t>(bytes[0]);
        if (silent.contains(address))
            return 0;
        const QByteArray answer =
            withCrc(QByteArray(1, char(address)) + "\x03\x30" + QByteArray(48, '\x11'));
        if (delay == 0ms) {
            deliver(answer);
            return 0;
        }
        m_answerDue = true;
        QTimer::singleShot(delay, this, [this, answer] {
            m_answerDue = false;
            deliver(answer);
        });
        return 0;
    }

private:
    bool m_answerDue = false;
};

// The poll period is a floor: however short, every answer is waited for;
// however long, one request a tick and never one before its tick, even
// when the answer comes at once.
TEST(PollingFloor, EveryAnswerIsWaitedForAndNoRequestComesBeforeItsTick) {
    struct Case {
        const char* name;
        std::chrono::milliseconds period;
        std::chrono::milliseconds delay;
        std::set<int> silent;
    };
    const Case cases[] = {
        {"period shorter than the answer", 1ms, 15ms, {}},
        {"a silent meter among them", 1ms, 15ms, {2}},
        {"period longer, answer at once", 40ms, 0ms, {}},
        {"period longer, answer later", 40ms, 10ms, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeterPort port;
        port.open();
        port.delay = c.delay;
        port.silent = c.silent;
        SerialExchange exchange(port);
        ListCursor cursor({1, 2, 3});
        IntervalTimer timer;
        PollingCycle polling(exchange, cursor, timer);
        QSignalSpy ticks(&timer, &IntervalTimer::tick);
        QSignalSpy answers(&exchange, &SerialExchange::replyReceived);

        QElapsedTimer clock;
        clock.start();
        timer.setInterval(c.period);
        ASSERT_TRUE(QTest::qWaitFor([&] { return port.written.size() >= 9; }, 10000));
        timer.setInterval(0ms);
        const qint64 elapsed = clock.elapsed();
        QTest::qWait(int(c.delay.count()) + 20); // the last answer lands

        const auto requests = port.written.size();
        EXPECT_EQ(port.collisions, 0);
        const auto unanswered =
            std::count_if(port.written.begin(), port.written.end(), [&](auto& r) {
                return c.silent.contains(static_cast<std::uint8_t>(r[0]));
            });
        EXPECT_EQ(answers.count(), requests - unanswered);
        EXPECT_EQ(ticks.count(), requests);
        // Ticks are never early, so never more requests than periods passed.
        EXPECT_LE(requests, elapsed / c.period.count() + 1);
    }
}

TEST(PollingFloor, HeldTimerTicksOnlyOnceReleased) {
    IntervalTimer timer;
    QSignalSpy ticks(&timer, &IntervalTimer::tick);
    timer.setInterval(1ms);
    timer.holdUntil(IntervalTimer::Clock::now() + 1h);
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), 0);
    timer.holdUntil(IntervalTimer::Clock::now());
    EXPECT_TRUE(ticks.wait(1000));

    // Stopped while held, it stays stopped when the hold ends.
    timer.holdUntil(IntervalTimer::Clock::now() + 1h);
    timer.setInterval(0ms);
    timer.holdUntil(IntervalTimer::Clock::now());
    const int before = int(ticks.count());
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), before);
}

// Stopped, or moved to a later time, it stays quiet; restarted from its own
// timeout it fires again; a time long past fires at the next turn.
TEST(FineTimer, StopRestartAndTimesPast) {
    FineTimer timer;
    QSignalSpy fired(&timer, &FineTimer::timeout);
    timer.start(1ms);
    timer.stop();
    EXPECT_FALSE(timer.isActive());
    QTest::qWait(20);
    timer.start(1ms);
    timer.start(1h);
    QTest::qWait(20);
    EXPECT_EQ(fired.count(), 0);
    EXPECT_TRUE(timer.isActive());

    int restarts = 1;
    QObject::connect(&timer, &FineTimer::timeout, [&] {
        if (restarts-- > 0)
            timer.start(0us);
    });
    timer.startAt(FineTimer::Clock::time_point{});
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired.count() == 2; }, 5000));
    EXPECT_FALSE(timer.isActive());
    QTest::qWait(20);
    EXPECT_EQ(fired.count(), 2);
}

} // namespace
