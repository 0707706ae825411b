#include "CRC16.h"
#include "Frames.h"
#include "GatewayPort.h"
#include "MbapFraming.h"
#include "PortError.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// An MBAP frame: transaction, protocol, length as given (or the true one), unit and PDU.
QByteArray mbap(int transaction, const QByteArray& unitAndPdu, int protocol = 0, int length = -1) {
    const int told = length < 0 ? int(unitAndPdu.size()) : length;
    return QByteArray::fromHex(QByteArray::number(transaction, 16).rightJustified(4, '0') +
                               QByteArray::number(protocol, 16).rightJustified(4, '0') +
                               QByteArray::number(told, 16).rightJustified(4, '0')) +
           unitAndPdu;
}

// The worked request: meter 1's real-time read, without its CRC, behind
// transaction 1; and what comes back of each kind of reply.
TEST(MbapFraming, RepliesMatchedByTransactionAndUnitAndCheckedByLength) {
    MbapFraming first;
    EXPECT_EQ(first.wrap(Frames::readRequest(1, ReplyKind::RealTime)),
              QByteArray::fromHex("000100000006010300000018"));

    const QByteArray read = QByteArray::fromHex("0103") + char(4) + QByteArray(4, '\x11');
    const struct Case {
        const char* name;
        QByteArray arriving;
        QByteArray frames;
        int stale, garbled;
        QList<int> exceptions;
    } cases[] = {
        {"the reply", mbap(1, read), withCrc(read), 0, 0, {}},
        {"a late reply first", mbap(0, read) + mbap(1, read), withCrc(read), 1, 0, {}},
        {"the same reply twice", mbap(1, read) + mbap(1, read), withCrc(read), 1, 0, {}},
        {"another unit", mbap(1, QByteArray::fromHex("02") + read.mid(1)), {}, 1, 0, {}},
        {"an exception", mbap(1, QByteArray::fromHex("01830B")), {}, 0, 0, {11}},
        {"an exception too long", mbap(1, QByteArray::fromHex("01830B00")), {}, 0, 1, {}},
        {"a short length field", mbap(1, read, 0, 5) + mbap(1, read), {}, 0, 1, {}},
        {"a length beyond the byte count", mbap(1, read + "\x11", 0, 8), {}, 0, 1, {}},
        {"a protocol not 0, then the reply", mbap(1, read, 3) + mbap(1, read), {}, 0, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MbapFraming framing;
        framing.wrap(Frames::readRequest(1, ReplyKind::RealTime));
        MbapFraming::Received received;
        // In pieces of 5: a reply is cut by its length field, not by reads.
        for (qsizetype at = 0; at < c.arriving.size(); at += 5) {
            const MbapFraming::Received piece = framing.receive(c.arriving.mid(at, 5));
            received.frames += piece.frames;
            received.stale += piece.stale;
            received.garbled += piece.garbled;
            received.exceptions += piece.exceptions;
        }
        EXPECT_EQ(received.frames.toHex(), c.frames.toHex());
        EXPECT_EQ(received.stale, c.stale);
        EXPECT_EQ(received.garbled, c.garbled);
        EXPECT_EQ(received.exceptions, c.exceptions);
    }
}

// A run of bytes out of step is one garbled reply, however long; the next
// whole reply is taken again.
TEST(MbapFraming, OutOfStepCountedOnceAndFoundAgain) {
    MbapFraming framing;
    framing.wrap(Frames::readRequest(1, ReplyKind::RealTime));
    int garbled = 0;
    for (int i = 0; i < 5; ++i)
        garbled += framing.receive(QByteArray(40, '\xFF')).garbled;
    EXPECT_EQ(garbled, 1);
    const QByteArray read = QByteArray::fromHex("01030100");
    EXPECT_EQ(framing.receive(mbap(1, read)).frames, withCrc(read));
}

struct Gateway {
    QTcpServer server;
    Gateway() { server.listen(QHostAddress::LocalHost); }
    GatewayPort::Target target(GatewayPort::Framing framing = GatewayPort::Framing::Rtu) {
        return {QStringLiteral("127.0.0.1"), server.serverPort(), framing,
                std::chrono::milliseconds(2000), std::chrono::milliseconds(0)};
    }
};

// Each way a connection fails is lost() with its cause in the port's words,
// and a port that does not open sends nothing.
TEST(GatewayPort, EachFailureIsLostWithItsCause) {
    quint16 closedPort = 0;
    {
        QTcpServer gone;
        gone.listen(QHostAddress::LocalHost);
        closedPort = gone.serverPort();
    }
    const struct Case {
        const char* name;
        GatewayPort::Target target;
        const char* loss;
    } cases[] = {
        {"refused",
         {"127.0.0.1", closedPort, GatewayPort::Framing::Rtu, std::chrono::milliseconds(2000)},
         "refused the connection"},
        {"no such name",
         {"no-such-gateway.invalid", 502, GatewayPort::Framing::ModbusTcp,
          std::chrono::milliseconds(5000)},
         "cannot be found: the host name does not resolve"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GatewayPort port(c.target);
        QSignalSpy lost(&port, &SerialPort::lost);
        ASSERT_EQ(port.open(), 0); // under way
        EXPECT_EQ(port.write("\x01\x03\x00\x00\x00\x18\x45\xC0"), PortError::PortNotOpen);
        ASSERT_TRUE(lost.wait(6000));
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(port.lossText(), QStringLiteral("Gateway %1 %2").arg(port.description(), c.loss));
    }
}

// Open only after the pause a box asks for; a box that closes the
// connection is a loss, and RTU bytes pass both ways untouched.
TEST(GatewayPort, OpensAfterItsPauseAndCarriesRtuBytes) {
    Gateway box;
    GatewayPort::Target target = box.target();
    target.connectPause = std::chrono::milliseconds(300);
    GatewayPort port(target);
    QSignalSpy opened(&port, &SerialPort::opened);
    QSignalSpy arrived(&port, &SerialPort::bytesArrived);
    QSignalSpy lost(&port, &SerialPort::lost);
    ASSERT_EQ(port.open(), 0);
    ASSERT_TRUE(box.server.waitForNewConnection(2000));
    QTcpSocket* peer = box.server.nextPendingConnection();
    QTest::qWait(100);
    EXPECT_FALSE(port.isOpen()); // still pausing
    ASSERT_TRUE(opened.wait(2000));
    EXPECT_TRUE(port.isOpen());

    const QByteArray request = Frames::readRequest(1, ReplyKind::RealTime);
    ASSERT_EQ(port.write(request), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer->bytesAvailable() >= request.size(); }, 2000));
    EXPECT_EQ(peer->readAll(), request);
    peer->write("\x01\x03");
    ASSERT_TRUE(arrived.wait(2000));
    EXPECT_EQ(port.readAll(), QByteArray("\x01\x03"));

    peer->close();
    ASSERT_TRUE(lost.wait(2000));
    EXPECT_EQ(port.lossText(), "Gateway " + port.description() + " closed the connection");
}

} // namespace
