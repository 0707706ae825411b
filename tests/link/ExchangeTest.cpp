#include "CRC16.h"
#include "FakeSerialPort.h"
#include "Frames.h"
#include "HexText.h"
#include "IntervalTimer.h"
#include "LineSettings.h"
#include "ListCursor.h"
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

// Each kind's worked read request, and its reply recognised by its byte
// count and exact length; noise is bounded and never mistaken for a reply.
TEST(Frames, WorkedRequestsAndRepliesRecognisedByCountAndExactLength) {
    EXPECT_EQ(withCrc("123456789").right(2), QByteArray::fromHex("374B"));
    const std::tuple<std::uint8_t, ReplyKind, const char*, int> cases[] = {
        {1, ReplyKind::RealTime, "01030000001845C0", 48},
        {5, ReplyKind::RealTime, "0503000000184444", 48},
        {1, ReplyKind::Block1, "0103001800164403", 44},
        {1, ReplyKind::Block2, nullptr, 50},
        {1, ReplyKind::Block3, nullptr, 60},
        {1, ReplyKind::Block4, "0103006500019415", 2},
    };
    for (const auto& [address, kind, request, replyBytes] : cases) {
        if (request) {
            EXPECT_EQ(HexText::fromBytes(Frames::readRequest(address, kind)),
                      QString::fromLatin1(request));
        }
        ReceiveBuffer buffer;
        buffer.append(reply(replyBytes));
        EXPECT_EQ(buffer.completeReply(), kind) << replyBytes;
        buffer.append(QByteArray(1, '\0'));
        EXPECT_EQ(buffer.completeReply(), std::nullopt) << replyBytes << " plus one byte";
    }
    ReceiveBuffer noise;
    for (int i = 0; i < 10000; ++i)
        noise.append(QByteArray(37, '\x30'));
    EXPECT_EQ(noise.text().size(), ReceiveBuffer::capacity);
    EXPECT_EQ(noise.completeReply(), std::nullopt);
}

// How long the port may keep quiet: wrong in one direction a reply is
// decoded late, in the other the loop wakes for nothing.
TEST(ReceiveBuffer, BytesStillNeededForAReply) {
    const QByteArray realtime = reply(48);
    const std::tuple<QByteArray, int, std::optional<int>> cases[] = {
        {{}, 53, 53},               // nothing yet, a real-time read asked
        {realtime.left(1), 53, 52}, // one byte of it
        {realtime.left(1), 0, 6},   // nothing asked: the shortest kind
        {realtime.left(3), 7, 50},  // byte count in: that kind's length
        {reply(2).left(4), 53, 3},  // block 4 count
        {Frames::writeSingleRequest(1, 0x2C, 5), 8, std::nullopt}, // count of no kind
        {realtime + '\0', 53, std::nullopt},                       // longer than its kind
    };
    for (const auto& [bytes, expectedLength, needed] : cases) {
        ReceiveBuffer buffer;
        buffer.append(bytes);
        EXPECT_EQ(buffer.bytesToReply(expectedLength), needed) << bytes.toHex().toStdString();
    }
}

// A tick empties the buffer (a reply cut short never runs into the next),
// then asks the next meter; a closed port or an empty list sends nothing
// and polling goes on. Only whole read replies reach the decoders.
TEST(SerialExchange, ATickAsksTheNextMeterAndOnlyWholeRepliesAreDecoded) {
    FakeSerialPort port;
    SerialExchange exchange(port);
    QSignalSpy replies{&exchange, &SerialExchange::replyReceived};
    ListCursor cursor({1, 2});
    IntervalTimer timer;
    PollingCycle polling(exchange, cursor, timer);
    const auto before = IntervalTimer::Clock::now();
    polling.tick(); // the port closed: nothing sent, and the next look a pause away
    EXPECT_EQ(cursor.currentAddress(), 2);
    EXPECT_GE(timer.heldUntil(), before + PollingCycle::ClosedPortPause);
    port.open();
    const QByteArray frame = reply(48);
    port.deliver(frame.left(30));
    polling.tick();
    port.deliver(frame.mid(30));
    EXPECT_EQ(replies.count(), 0);
    polling.tick();
    EXPECT_EQ(port.written, QList<QByteArray>({Frames::readRequest(2, ReplyKind::RealTime),
                                               Frames::readRequest(1, ReplyKind::RealTime)}));
    ListCursor none({}); // nothing listed: not even a broadcast
    PollingCycle(exchange, none, timer).tick();
    EXPECT_EQ(port.written.size(), 2);

    port.deliver(frame.left(10));
    port.deliver(frame.mid(10));
    ASSERT_EQ(replies.count(), 1);
    EXPECT_EQ(replies.at(0).at(0).value<ReplyKind>(), ReplyKind::RealTime);
    EXPECT_EQ(replies.at(0).at(1).toString(), HexText::fromBytes(frame));
    EXPECT_TRUE(exchange.bufferText().isEmpty());
    // A reply with a trailing byte, a write echo whose third byte is 44 (the
    // byte count of block 1) and an exception reply are never decoded; a
    // block 4 reply nobody asked for still is.
    for (const QByteArray& bytes : {frame + '\x07', Frames::writeSingleRequest(1, 0x2C, 5),
                                    withCrc(QByteArray::fromHex("018302")), reply(2)}) {
        exchange.clearform1();
        port.deliver(bytes);
    }
    ASSERT_EQ(replies.count(), 2);
    EXPECT_EQ(replies.at(1).at(0).value<ReplyKind>(), ReplyKind::Block4);
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
