#include "Frames.h"
#include "CRC16.h"
#include "HexText.h"

#include <gtest/gtest.h>

namespace {

TEST(Crc16, CheckValues) {
    const std::tuple<QByteArray, int, int> cases[] = {
        {QByteArray("123456789"), 0x4B, 0x37},
        {QByteArray::fromHex("010300000018"), 0xC0, 0x45},
    };
    for (const auto& [bytes, high, low] : cases) {
        const Crc16Bytes crc = CRC16(bytes);
        EXPECT_EQ(crc.high, high) << bytes.toHex().toStdString();
        EXPECT_EQ(crc.low, low) << bytes.toHex().toStdString();
    }
}

TEST(Frames, WorkedReadRequests) {
    const std::tuple<std::uint8_t, ReplyKind, const char*> cases[] = {
        {1, ReplyKind::RealTime, "01030000001845C0"},
        {5, ReplyKind::RealTime, "0503000000184444"},
        {1, ReplyKind::Block1, "0103001800164403"},
        {1, ReplyKind::Block4, "0103006500019415"},
    };
    for (const auto& [address, kind, frame] : cases)
        EXPECT_EQ(HexText::fromBytes(Frames::readRequest(address, kind)),
                  QString::fromLatin1(frame));
}

} // namespace
