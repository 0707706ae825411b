#include "CRC16.h"
#include "Frames.h"

#include <QProcess>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The line is half duplex: a request while a meter turns round or answers
// reaches nobody and garbles the answer; then the line is free again.
TEST(MeterSim, RequestWhileTheLineIsTakenIsLostAndGarblesTheAnswer) {
    QProcess sim;
    // 9600 baud and a 20 ms turnaround: an answer takes the line for 75 ms.
    sim.start(METER_SIM_PATH, {"--addresses", "1,2", "--baud", "9600", "--turnaround", "20"});
    // It prints its terminal, already raw, first.
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.canReadLine(); }, 5000));
    const int port = ::open(sim.readLine().trimmed().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(port, 0);
    const auto readFrom = [port](qsizetype count, int ms = 3000) {
        QByteArray bytes;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                char chunk[256];
                bytes.append(chunk, std::max<qsizetype>(::read(port, chunk, sizeof chunk), 0));
                return bytes.size() >= count;
            },
            ms));
        return bytes;
    };
    const auto send = [port](const QByteArray& bytes) {
        EXPECT_EQ(::write(port, bytes.constData(), bytes.size()), bytes.size());
    };
    const QByteArray ask1 = Frames::readRequest(1, 0, 24);
    const QByteArray ask2 = Frames::readRequest(2, 0, 24);
    for (const bool duringTheAnswer : {false, true}) {
        // Meter 1's whole answer comes, garbled, and nothing of meter 2's.
        send(ask1);
        QByteArray answer = duringTheAnswer ? readFrom(1) : QByteArray();
        send(ask2);
        answer += readFrom(2 * 53 - answer.size(), 500);
        EXPECT_EQ(answer.size(), 53) << duringTheAnswer;
        EXPECT_FALSE(crcMatches(answer));
    }
    send(ask2);
    const QByteArray reply = readFrom(53);
    EXPECT_TRUE(crcMatches(reply) && reply.startsWith(QByteArray::fromHex("020330")));
    ::close(port);
    sim.kill();
    sim.waitForFinished();
}

} // namespace
