#include "Frames.h"
#include "CRC16.h"
#include "HexText.h"

#include <gtest/gtest.h>

namespace {

QString hex(const QByteArray& bytes) {
    return HexText::fromBytes(bytes);
}

TEST(Crc16, CheckValueOfNineDigits) {
    const Crc16Bytes crc = CRC16(QByteArray("123456789"));
    EXPECT_EQ(crc.high, 0x4B);
    EXPECT_EQ(crc.low, 0x37);
}

TEST(Crc16, RealTimeRequestHead) {
    const Crc16Bytes crc = CRC16(QByteArray::fromHex("010300000018"));
    EXPECT_EQ(crc.high, 0xC0);
    EXPECT_EQ(crc.low, 0x45);
}

TEST(Frames, WorkedReadRequests) {
    struct Case {
        std::uint8_t address;
        ReplyKind kind;
        const char* frame;
    };
    const Case cases[] = {
        {1, ReplyKind::RealTime,
         "0103000000184"
         "5C0"},
        {5, ReplyKind::RealTime, "0503000000184444"},
        {1, ReplyKind::Block1, "0103001800164403"},
        {1, ReplyKind::Block4, "0103006500019415"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(Frames::readRequest(c.address, c.kind)), QString::fromLatin1(c.frame));
}

} // namespace
