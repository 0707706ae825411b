#include "RequestFramer.h"
#include "CRC16.h"
#include "Frames.h"

#include <gtest/gtest.h>

namespace {

using Frames_ = std::vector<QByteArray>;

// Feeds the chunks in order and collects every frame handed out.
Frames_ feedAll(RequestFramer& framer, const std::vector<QByteArray>& chunks) {
    Frames_ all;
    for (const QByteArray& chunk : chunks)
        for (const QByteArray& frame : framer.feed(chunk))
            all.push_back(frame);
    return all;
}

TEST(RequestFramer, CutsKnownRequestsByLength) {
    const QByteArray read = Frames::readRequest(1, 0, 24);
    const QByteArray single = Frames::writeSingleRequest(2, 38, 5);
    const QByteArray serial = Frames::writeMultipleRequest(3, 95, QByteArray("0123456789"));
    struct Case {
        const char* name;
        std::vector<QByteArray> chunks;
        Frames_ frames;
    };
    const Case cases[] = {
        {"whole", {read}, {read}},
        {"byte by byte", {read.left(1), read.mid(1, 1), read.mid(2, 5), read.mid(7)}, {read}},
        {"split before the byte count", {serial.left(6), serial.mid(6)}, {serial}},
        {"split inside the data", {serial.left(10), serial.mid(10, 8), serial.mid(18)}, {serial}},
        {"two in one chunk", {read + single}, {read, single}},
        {"one and a half", {read + single.left(3), single.mid(3)}, {read, single}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RequestFramer framer;
        EXPECT_EQ(feedAll(framer, c.chunks), c.frames);
        EXPECT_TRUE(framer.isEmpty());
    }
}

TEST(RequestFramer, GarbledFrameIsDroppedUpToTheSilence) {
    RequestFramer framer;
    QByteArray bad = Frames::readRequest(1, 0, 24);
    bad[3] = 0x01;
    const QByteArray good = Frames::readRequest(1, 24, 22);
    // Whatever follows a bad frame without a pause belongs to the garble.
    EXPECT_TRUE(feedAll(framer, {bad, good}).empty());
    EXPECT_FALSE(framer.silence());
    EXPECT_EQ(feedAll(framer, {good}), Frames_{good});
}

TEST(RequestFramer, SilenceEndsWhatLengthCannot) {
    const QByteArray unknown = withCrc(QByteArray::fromHex("01040000000A"));
    QByteArray garbled = unknown;
    garbled[2] = 0x7F;
    struct Case {
        const char* name;
        QByteArray bytes;
        bool kept;
    };
    const Case cases[] = {
        {"good CRC", unknown, true},
        {"bad CRC", garbled, false},
        {"stray byte", QByteArray(1, '\xFF'), false},
        {"read cut short", Frames::readRequest(1, 0, 24).left(7), false},
        {"runaway noise", QByteArray(300, '\x55'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RequestFramer framer;
        EXPECT_TRUE(framer.feed(c.bytes).empty());
        const auto frame = framer.silence();
        EXPECT_EQ(frame.has_value(), c.kept);
        if (frame) {
            EXPECT_EQ(*frame, c.bytes);
        }
    }
}

} // namespace
