#include "ReplyData.h"

#include "CRC16.h"
#include "HexText.h"

#include <bit>

namespace {

constexpr int dataStart = 3; // address, function code, byte count

} // namespace

std::optional<ReplyData> ReplyData::fromHex(QStringView hexText, ReplyKind kind) {
    if (hexText.size() != layoutOf(kind).hexLength())
        return std::nullopt;
    std::optional<QByteArray> frame = HexText::toBytes(hexText);
    if (!frame || !crcMatches(*frame))
        return std::nullopt;
    return ReplyData(std::move(*frame));
}

std::uint8_t ReplyData::u8(int offset) const {
    return static_cast<std::uint8_t>(m_frame.at(dataStart + offset));
}

std::uint16_t ReplyData::u16(int offset) const {
    return static_cast<std::uint16_t>(u8(offset) << 8 | u8(offset + 1));
}

std::uint32_t ReplyData::u32(int offset) const {
    return static_cast<std::uint32_t>(u16(offset)) << 16 | u16(offset + 2);
}

float ReplyData::float32(int offset) const {
    return std::bit_cast<float>(u32(offset));
}

QString ReplyData::text10(int offset) const {
    QString text;
    text.reserve(10);
    for (int i = offset + 9; i >= offset; --i)
        text += QChar(u8(i));
    return text;
}
