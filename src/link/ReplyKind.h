#pragma once

#include <array>
#include <cstdint>

// The five read replies the tool asks for, told apart only by their
// byte-count field and their length; tested in this order.
enum class ReplyKind { RealTime, Block1, Block2, Block3, Block4 };

struct ReplyLayout {
    ReplyKind kind;
    std::uint16_t firstRegister;
    std::uint16_t registerCount;
    int byteCount() const { return registerCount * 2; }
    // address, function, byte count, data, CRC low, CRC high
    int frameLength() const { return byteCount() + 5; }
    int hexLength() const { return frameLength() * 2; }
};

inline constexpr std::array<ReplyLayout, 5> replyLayouts{{
    {ReplyKind::RealTime, 0, 24},
    {ReplyKind::Block1, 24, 22},
    {ReplyKind::Block2, 46, 25},
    {ReplyKind::Block3, 71, 30},
    {ReplyKind::Block4, 101, 1},
}};

inline const ReplyLayout& layoutOf(ReplyKind kind) {
    return replyLayouts[static_cast<std::size_t>(kind)];
}

// The longest reply, in hex characters (parameter block 3).
inline constexpr int longestReplyHexLength = (30 * 2 + 5) * 2;
