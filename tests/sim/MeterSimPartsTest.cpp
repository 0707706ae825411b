#include "CRC16.h"
#include "Frames.h"
#include "ReplyPacer.h"
#include "RequestFramer.h"

#include <gtest/gtest.h>

namespace {

// Reads and writes are cut by their length, anything else at the silence
// (kept only with a good CRC); after the silence the next read comes whole.
TEST(RequestFramer, CutsByLengthOrAtTheSilence) {
    const QByteArray read = Frames::readRequest(1, 0, 24);
    const QByteArray single = Frames::writeSingleRequest(2, 38, 5);
    const QByteArray serial = Frames::writeMultipleRequest(3, 95, QByteArray("0123456789"));
    const QByteArray unknown = withCrc(QByteArray::fromHex("01040000000A"));
    const QByteArray garbled = QByteArray(unknown).replace(2, 1, "\x7F");
    const QByteArray badRead = QByteArray(read).replace(3, 1, "\x01");
    using Frames_ = std::vector<QByteArray>;
    const struct {
        const char* name;
        Frames_ chunks;
        Frames_ frames;
        QByteArray atSilence;
    } cases[] = {
        {"byte by byte", {read.left(1), read.mid(1, 1), read.mid(2, 5), read.mid(7)}, {read}, {}},
        {"split before the byte count", {serial.left(6), serial.mid(6)}, {serial}, {}},
        {"two in one chunk", {read + single}, {read, single}, {}},
        {"one and a half", {read + single.left(3), single.mid(3)}, {read, single}, {}},
        {"unknown, good CRC", {unknown}, {}, unknown},
        {"unknown, bad CRC", {garbled}, {}, {}},
        {"read cut short", {read.left(7)}, {}, {}},
        {"runaway noise", {QByteArray(300, '\x55')}, {}, {}},
        // What follows a bad frame without a pause belongs to the garble.
        {"garbled read and the next", {badRead, read}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RequestFramer framer;
        Frames_ frames;
        for (const QByteArray& chunk : c.chunks)
            for (const QByteArray& frame : framer.feed(chunk))
                frames.push_back(frame);
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(framer.silence().value_or(QByteArray()), c.atSilence);
        EXPECT_EQ(framer.feed(read), Frames_{read});
        EXPECT_TRUE(framer.isEmpty());
    }
}

// Each fault changes only its own part: noise around the reply, its CRC.
TEST(ReplyPacer, FaultsChangeOnlyWhatTheyShould) {
    const QByteArray reply = withCrc(QByteArray(51, '\x11'));
    const ReplyPacer::Faults cases[] = {
        {}, {0.0, true, 0.0}, {1.0, false, 0.0}, {0.0, false, 1.0}, {1.0, true, 1.0}};
    for (const ReplyPacer::Faults& f : cases) {
        ReplyPacer pacer(9600, f, 3);
        for (int round = 0; round < 20; ++round) {
            QByteArray all;
            for (const TimedPiece& piece : pacer.pace(reply))
                all.append(piece.bytes);
            const qsizetype noise = all.size() - reply.size();
            ASSERT_EQ(noise >= 1 && noise <= 3, f.stray > 0.0);
            // The reply itself comes in one run, before or after the noise.
            const QByteArray body =
                all.startsWith(reply.left(3)) ? all.left(reply.size()) : all.right(reply.size());
            ASSERT_EQ(body.left(51), reply.left(51));
            ASSERT_EQ(crcMatches(body), f.corruptCrc == 0.0);
        }
    }
}

} // namespace
