#include "CRC16.h"
#include "Frames.h"
#include "MbapFramer.h"
#include "ReplyPacer.h"
#include "RequestFramer.h"
#include "SimOptions.h"

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

// Requests are cut by the length field whatever the pieces; a stream that
// is not Modbus TCP is refused for good.
TEST(MbapFramer, CutsByTheLengthFieldAndRefusesOtherProtocols) {
    const QByteArray read = QByteArray::fromHex("123400000006010300000018");
    const QByteArray rtu = Frames::readRequest(1, 0, 24);
    const struct {
        const char* name;
        std::vector<QByteArray> chunks;
        int requests;
        bool refused;
    } cases[] = {
        {"two and a part", {read + read + read.left(6)}, 2, false},
        {"protocol id 1", {QByteArray::fromHex("123400010006010300000018")}, 0, true},
        {"length 1", {QByteArray::fromHex("12340000000101")}, 0, true},
        {"length 255", {QByteArray::fromHex("1234000000FF")}, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MbapFramer framer;
        int count = 0;
        for (const QByteArray& chunk : c.chunks) {
            for (const MbapRequest& request : framer.feed(chunk)) {
                EXPECT_EQ(request.transaction, 0x1234);
                EXPECT_EQ(request.rtu, rtu);
                ++count;
            }
        }
        EXPECT_EQ(count, c.requests);
        EXPECT_EQ(framer.error().isEmpty(), !c.refused);
        EXPECT_EQ(framer.feed(read).size(), c.refused ? 0u : 1u);
    }
    const QByteArray reply = withCrc(QByteArray::fromHex("07030412345678"));
    EXPECT_EQ(MbapFramer::reply(9, reply, 1).toHex(), "00090000000607030412345678");
}

// The address to listen on, the framing; mistakes refused.
TEST(SimOptions, GatewayOptions) {
    const std::pair<QStringList, QString> cases[] = {
        {{"--tcp", "127.0.0.1:0"}, "127.0.0.1 0 rtu"},
        {{"--tcp", "[::1]:502", "--framing", "mbap", "--wrong-tid", "1"}, "::1 502 mbap"},
        {{"--tcp", "127.0.0.1"}, ""},
        {{"--tcp", "h:65536"}, ""},
        {{"--framing", "mbap"}, ""},
        {{"--tcp", "h:1", "--short-length", "0.5"}, ""},
        {{"--exception", "0:4"}, ""},
        {{"--alarm", "1:6"}, ""},
    };
    for (const auto& [arguments, expected] : cases) {
        QString error;
        const auto options = SimOptions::parse(arguments, &error);
        const QString got =
            !options ? QString()
                     : QStringLiteral("%1 %2 %3")
                           .arg(options->tcpHost)
                           .arg(options->tcpPort)
                           .arg(options->framing == SimOptions::Framing::Mbap ? "mbap" : "rtu");
        EXPECT_EQ(got, expected) << arguments.join(' ').toStdString();
    }
}

} // namespace
