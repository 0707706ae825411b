#include "CRC16.h"
#include "FakeSerialPort.h"
#include "Frames.h"
#include "HexText.h"
#include "IntervalTimer.h"
#include "LineSettings.h"
#include "PollCursor.h"
#include "PollingCycle.h"
#include "PortLocator.h"
#include "ReceiveBuffer.h"
#include "SerialExchange.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A read reply of `dataBytes` zero bytes from meter 1, CRC included.
QByteArray reply(int dataBytes, std::uint8_t address = 1) {
    QByteArray body;
    body.append(static_cast<char>(address));
    body.append(char(3));
    body.append(static_cast<char>(dataBytes));
    body.append(QByteArray(dataBytes, '\x11'));
    return withCrc(body);
}

struct Exchange {
    FakeSerialPort port;
    SerialExchange exchange{port};
    QSignalSpy replies{&exchange, &SerialExchange::replyReceived};
    Exchange() { port.open(); }
    ReplyKind kindOf(int i) const { return replies.at(i).at(0).value<ReplyKind>(); }
};

TEST(ReceiveBuffer, EveryReplyKindIsRecognisedByCountAndLength) {
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
}

TEST(ReceiveBuffer, BytesBecomeTwoUpperCaseDigits) {
    ReceiveBuffer buffer;
    buffer.append(QByteArray::fromHex("0aff00"));
    EXPECT_EQ(buffer.text(), QStringLiteral("0AFF00"));
}

TEST(ReceiveBuffer, NoiseIsBoundedAndNeverMistakenForAReply) {
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

TEST(SerialExchange, ReplyInPiecesIsDecodedOnceAtTheLastPiece) {
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
}

TEST(SerialExchange, ReplyWithATrailingByteStaysUndecodedUntilEmptied) {
    Exchange e;
    e.port.deliver(reply(48) + QByteArray(1, '\x07'));
    EXPECT_EQ(e.replies.count(), 0);
    EXPECT_EQ(e.exchange.bufferText().size(), 108);
    e.exchange.clearform1();
    e.port.deliver(reply(48));
    EXPECT_EQ(e.replies.count(), 1);
}

TEST(SerialExchange, WriteEchoAndExceptionAreNeverDecoded) {
    Exchange e;
    // A write echo whose third byte is 44, the byte count of block 1.
    e.port.deliver(Frames::writeSingleRequest(1, 0x2C, 5));
    e.exchange.clearform1();
    e.port.deliver(withCrc(QByteArray::fromHex("018302")));
    EXPECT_EQ(e.replies.count(), 0);
}

TEST(SerialExchange, UnrequestedBlockFourReplyGoesToItsDecoder) {
    Exchange e;
    e.port.deliver(reply(2));
    ASSERT_EQ(e.replies.count(), 1);
    EXPECT_EQ(e.kindOf(0), ReplyKind::Block4);
}

TEST(SerialExchange, SendingOnAClosedPortFailsQuietly) {
    FakeSerialPort port;
    SerialExchange exchange(port);
    EXPECT_NE(exchange.send(Frames::readRequest(1, ReplyKind::RealTime)), 0);
    EXPECT_TRUE(port.written.isEmpty());
}

// A cursor over a fixed list of addresses.
class ListCursor : public PollCursor {
public:
    explicit ListCursor(QList<int> addresses) : m_addresses(std::move(addresses)) {}
    std::optional<int> currentAddress() const override {
        return m_addresses.isEmpty() ? std::nullopt : std::optional<int>(m_addresses[m_row]);
    }
    void moveToNext() override {
        if (!m_addresses.isEmpty())
            m_row = (m_row + 1) % int(m_addresses.size());
    }

private:
    QList<int> m_addresses;
    int m_row = 0;
};

QList<int> addressesAsked(const FakeSerialPort& port) {
    QList<int> addresses;
    for (const QByteArray& frame : port.written) {
        EXPECT_EQ(frame.size(), 8);
        EXPECT_EQ(frame.mid(1, 5), QByteArray::fromHex("0300000018"));
        EXPECT_TRUE(crcMatches(frame));
        addresses << static_cast<std::uint8_t>(frame.at(0));
    }
    return addresses;
}

TEST(PollingCycle, AsksEachMeterInTurnAndWraps) {
    struct Case {
        QList<int> listed;
        int ticks;
        QList<int> asked;
    };
    const Case cases[] = {
        {{1, 2, 3}, 7, {1, 2, 3, 1, 2, 3, 1}},
        {{4}, 3, {4, 4, 4}},
        {{}, 3, {}}, // nothing listed: nothing sent, not even a broadcast
    };
    for (const Case& c : cases) {
        Exchange e;
        ListCursor cursor(c.listed);
        PollingCycle polling(e.exchange, cursor);
        for (int i = 0; i < c.ticks; ++i)
            polling.tick();
        EXPECT_EQ(addressesAsked(e.port), c.asked);
    }
}

TEST(PollingCycle, TickEmptiesTheBufferBeforeAsking) {
    Exchange e;
    ListCursor cursor({1});
    PollingCycle polling(e.exchange, cursor);
    const QByteArray frame = reply(48);
    e.port.deliver(frame.left(30)); // a reply cut short by the next tick
    polling.tick();
    e.port.deliver(frame.mid(30));
    EXPECT_EQ(e.replies.count(), 0);
    EXPECT_EQ(polling.currentMeterAddress(), 1);
}

TEST(PollingCycle, ClosedPortStillMovesTheCursorOn) {
    FakeSerialPort port;
    SerialExchange exchange(port);
    ListCursor cursor({1, 2});
    PollingCycle polling(exchange, cursor);
    polling.tick();
    EXPECT_EQ(cursor.currentAddress(), 2);
}

TEST(IntervalTimer, ZeroOrDisabledNeverTicks) {
    IntervalTimer timer;
    QSignalSpy ticks(&timer, &IntervalTimer::tick);
    timer.setInterval(0);
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), 0);
    timer.setInterval(5);
    EXPECT_TRUE(ticks.wait(1000));
    timer.setEnabled(false);
    const int seen = ticks.count();
    QTest::qWait(30);
    EXPECT_EQ(ticks.count(), seen);
}

TEST(LineSettings, ParseAndParityLetters) {
    EXPECT_EQ(LineSettings::parse("19200,o,8,1")->text(), QStringLiteral("19200,o,8,1"));
    EXPECT_EQ(LineSettings::parse("9600,E,8,1")->parity, 'e');
    for (const char* bad : {"", "9600", "abc,n,8,1", "9600,x,8,1", "9600,n,9,1", "0,n,8,1"})
        EXPECT_FALSE(LineSettings::parse(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(LineSettings::parityLetter(0), 'n');
    EXPECT_EQ(LineSettings::parityLetter(1), 'o');
    EXPECT_EQ(LineSettings::parityLetter(2), 'e');
    EXPECT_EQ(LineSettings::parityLetter(3), std::nullopt);
}

TEST(PortLocator, FirstExistingPlaceWinsAndNumbersStayInRange) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("ports"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("dev"));
    const auto touch = [&](const QString& name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    touch("dev/ttyUSB1");
    touch("dev/ttyS1");
    touch("dev/ttyS2");
    touch("dev/ttyS9");
    ASSERT_TRUE(QFile::link(dir.filePath("dev/ttyS9"), dir.filePath("ports/com2")));
    ASSERT_TRUE(QFile::link(dir.filePath("dev/gone"), dir.filePath("ports/com3")));
    const PortLocator locator(QStringList{dir.filePath("ports/com%1"), dir.filePath("dev/ttyUSB%2"),
                                          dir.filePath("dev/ttyS%2")});
    EXPECT_EQ(locator.devicePath(2), dir.filePath("ports/com2"));
    EXPECT_EQ(locator.devicePath(3), dir.filePath("dev/ttyS2")); // dangling link passed over
    EXPECT_EQ(locator.devicePath(4), QString());
    EXPECT_EQ(locator.devicePath(0), QString());
    EXPECT_EQ(locator.devicePath(11), QString());
}

} // namespace
