#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

// The five reads the tool asks a meter for: the real-time record and the
// four parameter blocks. Their replies are told apart only by their
// byte-count field and their length, tested in this order.
enum class ReplyKind { RealTime, Block1, Block2, Block3, Block4 };

struct ReplyLayout {
    ReplyKind kind;
    std::uint16_t firstRegister;
    std::uint16_t registerCount;
    // Floats are rounded to four decimals before any use.
    bool roundsFloats;

    constexpr int byteCount() const { return registerCount * 2; }
    // address, function, byte count, data, CRC low, CRC high
    constexpr int frameLength() const { return byteCount() + 5; }
    constexpr int hexLength() const { return frameLength() * 2; }
    constexpr bool holds(int reg) const {
        return reg >= firstRegister && reg < firstRegister + registerCount;
    }
    // Where a register's first byte stands in the reply's data.
    constexpr int dataOffset(int reg) const { return (reg - firstRegister) * 2; }
};

inline constexpr std::array<ReplyLayout, 5> replyLayouts{{
    {ReplyKind::RealTime, 0, 24, true},
    {ReplyKind::Block1, 24, 22, true},
    {ReplyKind::Block2, 46, 25, false},
    {ReplyKind::Block3, 71, 30, true},
    {ReplyKind::Block4, 101, 1, false},
}};

constexpr const ReplyLayout& layoutOf(ReplyKind kind) {
    return replyLayouts[static_cast<std::size_t>(kind)];
}

// The four parameter blocks, in order.
inline constexpr std::array<ReplyKind, 4> parameterBlocks{ReplyKind::Block1, ReplyKind::Block2,
                                                          ReplyKind::Block3, ReplyKind::Block4};

// The longest reply, in hex characters.
inline constexpr int longestReplyHexLength =
    std::ranges::max(replyLayouts, {}, &ReplyLayout::hexLength).hexLength();

// The blocks follow one another without a gap or an overlap.
static_assert([] {
    for (std::size_t i = 1; i < replyLayouts.size(); ++i)
        if (replyLayouts[i].firstRegister !=
            replyLayouts[i - 1].firstRegister + replyLayouts[i - 1].registerCount)
            return false;
    return true;
}());
