#include "CRC16.h"
#include "FakeSerialPort.h"
#include "Frames.h"
#include "HexText.h"
#include "IntervalTimer.h"
#include "LineSettings.h"
#include "ListCursor.h"
#include "PollCursor.h"
#include "PollingCycle.h"
#include "PortLocator.h"
#include "ReceiveBuffer.h"
#include "SerialExchange.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A read reply of `dataBytes` bytes from meter 1, CRC included.
QByteArray reply(int dataBytes) {
    return withCrc(QByteArray::fromHex("0103") + char(dataBytes) + QByteArray(dataBytes, '\x11'));
}

struct Exchange {
    FakeSerialPort port;
    SerialExchange exchange{port};
    QSignalSpy replies{&exchange, &SerialExchange::replyReceived};
    Exchange() { port.open(); }
    ReplyKind kindOf(int i) const { return replies.at(i).at(0).value<ReplyKind>(); }
};

TEST(ReceiveBuffer, RepliesAreRecognisedByCountAndExactLengthNoiseIsBounded) {
    const std::pair<int, ReplyKind> kinds[] = {{48, ReplyKind::RealTime},
                                               {44, ReplyKind::Block1},
                                               {50, ReplyKind::Block2},
                                               {60, ReplyKind::Block3},
                                               {2, ReplyKind::Block4}};
    for (const auto& [bytes, kind] : kinds) {
        ReceiveBuffer buffer;
        buffer.append(reply(bytes));
        EXPECT_EQ(buffer.completeReply(), kind) << bytes;
        buffer.append(QByteArray(1, '\0'));
        EXPECT_EQ(buffer.completeReply(), std::nullopt) << bytes << " plus one byte";
    }

    // Noise is bounded and never mistaken for a reply.
    ReceiveBuffer buffer;
    for (int i = 0; i < 10000; ++i)
        buffer.append(QByteArray(37, '\x30'));
    EXPECT_EQ(buffer.text().size(), ReceiveBuffer::capacity);
    EXPECT_EQ(buffer.completeReply(), std::nullopt);
    // A block 3 reply (the longest) still fits below the bound.
    buffer.clear();
    buffer.append(reply(60));
    EXPECT_EQ(buffer.completeReply(), ReplyKind::Block3);
}

// How long the port may keep quiet: wrong in one direction a reply is
// decoded late, in the other the loop wakes for nothing.
TEST(ReceiveBuffer, BytesStillNeededForAReply) {
    const QByteArray realtime = reply(48);
    struct Case {
        const char* name;
        QByteArray bytes;
        int expectedLength;
        std::optional<int> needed;
    };
    const Case cases[] = {
        {"nothing yet, a real-time read asked", {}, 53, 53},
        {"one byte, a real-time read asked", realtime.left(1), 53, 52},
        {"one byte, nothing asked: the shortest kind", realtime.left(1), 0, 6},
        {"byte count in: that kind's length", realtime.left(3), 7, 50},
        {"block 4 count", reply(2).left(4), 53, 3},
        {"a write echo: count of no kind", Frames::writeSingleRequest(1, 0x2C, 5), 8, std::nullopt},
        {"longer than its kind", realtime + '\0', 53, std::nullopt},
    };
    for (const Case& c : cases) {
        ReceiveBuffer buffer;
        buffer.append(c.bytes);
        EXPECT_EQ(buffer.bytesToReply(c.expectedLength), c.needed) << c.name;
    }
}

TEST(SerialExchange, OnlyWholeReadRepliesReachTheDecoders) {
    Exchange e;
    const QByteArray frame = reply(48);
    e.port.deliver(frame.mid(0, 10));
    e.port.deliver(frame.mid(10, 20));
    EXPECT_EQ(e.replies.count(), 0);
    e.port.deliver(frame.mid(30, 23));
    ASSERT_EQ(e.replies.count(), 1);
    EXPECT_EQ(e.kindOf(0), ReplyKind::RealTime);
    EXPECT_EQ(e.replies.at(0).at(1).toString(), HexText::fromBytes(frame));
    EXPECT_TRUE(e.exchange.bufferText().isEmpty());

    // A reply with a trailing byte, a write echo whose third byte is 44 (the
    // byte count of block 1) and an exception reply are never decoded.
    const QByteArray ignored[] = {frame + '\x07', Frames::writeSingleRequest(1, 0x2C, 5),
                                  withCrc(QByteArray::fromHex("018302"))};
    for (const QByteArray& bytes : ignored) {
        e.port.deliver(bytes);
        EXPECT_EQ(e.exchange.bufferText(), HexText::fromBytes(bytes));
        e.exchange.clearform1();
    }
    EXPECT_EQ(e.replies.count(), 1);

    // A block 4 reply nobody asked for still goes to its decoder.
    e.port.deliver(reply(2));
    ASSERT_EQ(e.replies.count(), 2);
    EXPECT_EQ(e.kindOf(1), ReplyKind::Block4);
}

TEST(PollingCycle, TickEmptiesTheBufferThenAsksTheNextMeter) {
    Exchange e;
    ListCursor cursor({1, 2});
    IntervalTimer timer;
    PollingCycle polling(e.exchange, cursor, timer);
    const QByteArray frame = reply(48);
    e.port.deliver(frame.left(30)); // a reply cut short by the next tick
    polling.tick();
    e.port.deliver(frame.mid(30));
    EXPECT_EQ(e.replies.count(), 0);
    polling.tick();
    EXPECT_EQ(e.port.written, QList<QByteArray>({Frames::readRequest(1, ReplyKind::RealTime),
                                                 Frames::readRequest(2, ReplyKind::RealTime)}));
}

TEST(PollingCycle, ClosedPortOrEmptyListSendsNothingAndPollingGoesOn) {
    FakeSerialPort port;
    SerialExchange exchange(port);
    EXPECT_NE(exchange.send(Frames::readRequest(1, ReplyKind::RealTime)), 0);
    ListCursor cursor({1, 2});
    IntervalTimer timer;
    PollingCycle polling(exchange, cursor, timer);
    polling.tick();
    EXPECT_EQ(cursor.currentAddress(), 2);

    port.open(); // nothing listed: not even a broadcast
    ListCursor none({});
    PollingCycle idle(exchange, none, timer);
    idle.tick();
    EXPECT_TRUE(port.written.isEmpty());
}

TEST(LineSettings, ParseAndParityLetters) {
    EXPECT_EQ(LineSettings::parse("19200,o,8,1")->text(), QStringLiteral("19200,o,8,1"));
    EXPECT_EQ(LineSettings::parse("9600,E,8,1")->parity, 'e');
    for (const char* bad : {"", "9600", "abc,n,8,1", "9600,x,8,1", "9600,n,9,1", "0,n,8,1"})
        EXPECT_FALSE(LineSettings::parse(QString::fromLatin1(bad))) << bad;
    const std::optional<char> letters[] = {'n', 'o', 'e', std::nullopt};
    for (int code = 0; code < 4; ++code)
        EXPECT_EQ(LineSettings::parityLetter(code), letters[code]) << code;
}

TEST(PortLocator, FirstExistingPlaceWinsAndNumbersStayInRange) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("ports") && QDir(dir.path()).mkpath("dev"));
    for (const char* name : {"dev/ttyUSB1", "dev/ttyS1", "dev/ttyS2", "dev/ttyS9"})
        ASSERT_TRUE(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(dir.filePath("dev/ttyS9"), dir.filePath("ports/com2")));
    ASSERT_TRUE(QFile::link(dir.filePath("dev/gone"), dir.filePath("ports/com3")));
    const PortLocator locator(QStringList{dir.filePath("ports/com%1"), dir.filePath("dev/ttyUSB%2"),
                                          dir.filePath("dev/ttyS%2")});
    EXPECT_EQ(locator.devicePath(2), dir.filePath("ports/com2"));
    // A link to nothing is that port's device, away: never another device.
    EXPECT_EQ(locator.devicePath(3), dir.filePath("ports/com3"));
    for (int number : {4, 0, 11})
        EXPECT_EQ(locator.devicePath(number), QString()) << number;
}

} // namespace
