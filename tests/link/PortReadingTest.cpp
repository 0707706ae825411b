#include "CRC16.h"
#include "Frames.h"
#include "PortLocator.h"
#include "PtyPort.h"
#include "QtSerialPort.h"
#include "SerialExchange.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The Qt port on one end of a pseudo-terminal, linked as com1 of a
// folder; the test writes the meters' side on the other end.
struct PtyLine {
    QTemporaryDir dir;
    PtyPort meters;
    QtSerialPort port{PortLocator(dir.path())};
    SerialExchange exchange{port};
    QSignalSpy replies{&exchange, &SerialExchange::replyReceived};
    const QByteArray reply = withCrc(QByteArray::fromHex("070330") + QByteArray(48, '\x22'));
    bool ok = false;

    PtyLine() {
        QString error;
        if (!meters.open(&error) || !meters.link(dir.filePath("ports/com1"), &error))
            return;
        port.setPortNumber(1);
        ok = port.openEmptied() == 0 && port.setLineSettings("9600,n,8,1") == 0;
    }
    ~PtyLine() { port.close(); }
};

// However the driver hands a reply over (piece sizes, 4 ms apart), it is
// read whole and decoded once, with or without a request telling how long
// the answer will be.
TEST(PortReading, ReplyInPiecesIsDecodedOnceWhole) {
    const std::pair<bool, QList<int>> cases[] = {
        {true, {53}},       {true, {3, 4, 4, 4, 38}}, {false, {1, 52}},
        {true, {2, 1, 50}}, {true, {51, 2}},
    };
    for (const auto& [asked, pieces] : cases) {
        PtyLine line;
        ASSERT_TRUE(line.ok);
        if (asked)
            line.exchange.send(Frames::readRequest(7, ReplyKind::RealTime));
        for (int i = 0, at = 0; i < pieces.size(); at += pieces[i++]) {
            const QByteArray piece = line.reply.mid(at, pieces[i]);
            QTimer::singleShot(4 * i, &line.port, [&line, piece] { line.meters.write(piece); });
        }
        ASSERT_TRUE(line.replies.wait(2000)) << pieces.size() << " pieces";
        QTest::qWait(20);
        ASSERT_EQ(line.replies.count(), 1);
        EXPECT_EQ(line.replies.at(0).at(1).toString(),
                  QString::fromLatin1(line.reply.toHex().toUpper()));
    }
}

// A sender empties the buffer before it sends. Bytes that have arrived and
// not been read yet are taken in first: a whole reply among them is
// decoded, and a piece of one never runs into the next reply. A line that
// goes away (the adapter pulled) is then not read over and over.
TEST(PortReading, ClearingTakesInWhatHasArrivedFirstAndALineGoneIsLeftAlone) {
    PtyLine line;
    ASSERT_TRUE(line.ok);
    for (int size : {53, 20}) {
        line.meters.write(line.reply.left(size));
        QThread::msleep(20); // in the driver; the event loop has not run
        line.exchange.clearform1();
    }
    line.meters.write(line.reply.mid(20));
    QTest::qWait(100);
    EXPECT_EQ(line.replies.count(), 1);
    EXPECT_EQ(line.exchange.bufferText().size(), 2 * (line.reply.size() - 20));

    QSignalSpy arrivals(&line.port, &SerialPort::bytesArrived);
    line.meters.close();
    QTest::qWait(50);
    line.exchange.clearform1(); // as the next poll tick would
    QTest::qWait(50);
    EXPECT_LE(arrivals.count(), 2);
}

} // namespace
