#include "MbapFraming.h"
#include "CRC16.h"
#include "Frames.h"

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

} // namespace
