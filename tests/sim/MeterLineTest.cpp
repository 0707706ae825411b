#include "MeterLine.h"
#include "CRC16.h"
#include "Frames.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(const char* hex) {
    return QByteArray::fromHex(hex);
}

std::uint8_t at(const QByteArray& frame, int i) {
    return static_cast<std::uint8_t>(frame[i]);
}

TEST(MeterLine, ReadsEveryBlockTheToolAsksFor) {
    struct Case {
        const char* request;
        int length;
    };
    const Case cases[] = {
        {"01030000001845C0", 53}, // real-time record
        {"0103001800164403", 49}, // block 1
        {"0103002E0019", 55},     // block 2
        {"01030047001E", 65},     // block 3
        {"0103006500019415", 7},  // block 4
        {"010300000066", 209},    // everything at once
    };
    MeterLine line({1, 7}, {}, 1234);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const QByteArray request = withCrc(bytes(c.request).left(6));
        const auto reply = line.handle(request);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->size(), c.length);
        EXPECT_EQ(reply->left(2), request.left(2));
        EXPECT_EQ(at(*reply, 2), c.length - 5);
        EXPECT_TRUE(crcMatches(*reply));
    }
    // Each meter reports its own address in register 27.
    EXPECT_EQ(line.handle(Frames::readRequest(7, 27, 1))->mid(3, 2), bytes("0007"));
}

TEST(MeterLine, WritesAreAnsweredAndReadBack) {
    struct Case {
        QByteArray request;
        QByteArray reply;
        std::uint16_t reg;
        QByteArray data;
    };
    const QByteArray damping = Frames::writeSingleRequest(1, 38, 5);
    const Case cases[] = {
        {damping, damping, 38, bytes("0005")}, // a single write is echoed
        {Frames::writeMultipleRequest(1, 44, bytes("000002EE")), withCrc(bytes("0110002C0002")), 44,
         bytes("000002EE")},
        {Frames::writeMultipleRequest(1, 90, bytes("42F6CCCD")), withCrc(bytes("0110005A0002")), 90,
         bytes("42F6CCCD")},
        // A serial number goes out last character first.
        {Frames::writeMultipleRequest(1, 95, "JIHGFEDCBA"), withCrc(bytes("0110005F0005")), 95,
         "JIHGFEDCBA"},
    };
    MeterLine line({1}, {}, 1234);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reg);
        EXPECT_EQ(line.handle(c.request), c.reply);
        const auto readBack = line.handle(Frames::readRequest(1, c.reg, c.data.size() / 2));
        ASSERT_TRUE(readBack);
        EXPECT_EQ(readBack->mid(3, c.data.size()), c.data);
    }
    EXPECT_FLOAT_EQ(line.meter(1)->floatAt(90), 123.4f);
    EXPECT_EQ(line.meter(1)->text10At(95), QStringLiteral("ABCDEFGHIJ"));
}

TEST(MeterLine, StaysQuietWhenItShould) {
    MeterLine line({1, 2}, {2}, 1234);
    QByteArray badCrc = Frames::writeSingleRequest(1, 38, 9);
    badCrc[7] = static_cast<char>(badCrc[7] ^ 0x01);

    EXPECT_FALSE(line.handle(badCrc));
    EXPECT_EQ(line.meter(1)->registerValue(38), 3) << "a write with a bad CRC must not apply";
    EXPECT_FALSE(line.handle(Frames::readRequest(9, 0, 24))) << "not on the line";
    EXPECT_FALSE(line.handle(Frames::readRequest(2, 0, 24))) << "silent meter";
    EXPECT_FALSE(line.handle(withCrc(bytes("01030000001800")))) << "read of the wrong length";
    EXPECT_FALSE(line.handle(bytes("0103"))) << "too short";
    EXPECT_TRUE(line.handle(Frames::readRequest(1, 0, 24)));

    // A broadcast write reaches every meter, the silent one too; none answers.
    EXPECT_FALSE(line.handle(Frames::writeSingleRequest(0, 38, 9)));
    EXPECT_FALSE(line.handle(Frames::readRequest(0, 0, 24)));
    for (std::uint8_t address : {1, 2})
        EXPECT_EQ(line.meter(address)->registerValue(38), 9) << int(address);
}

} // namespace
