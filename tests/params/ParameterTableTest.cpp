#include "ParameterTable.h"
#include "ParameterBlocks.h"
#include "ReplyFrames.h"

#include <gtest/gtest.h>

namespace {

struct BlockOf {
    int block;
    int dataBytes;
    int offset;
};

BlockOf blockOf(int reg) {
    if (reg <= 45)
        return {1, 44, (reg - 24) * 2};
    if (reg <= 70)
        return {2, 50, (reg - 46) * 2};
    if (reg <= 100)
        return {3, 60, (reg - 71) * 2};
    return {4, 2, 0};
}

// A list text written and read back is the same text: the codes the writes
// send agree with the ones the decoders show.
TEST(ParameterTable, ListCodesRoundTripThroughTheDecoders) {
    for (const Parameter& parameter : ParameterTable::all()) {
        for (const ListItem& item : parameter.items) {
            if (item.code < 0)
                continue;
            const BlockOf at = blockOf(parameter.reg);
            const auto fields = decodeParameterBlock(
                at.block, reply(at.dataBytes, {{at.offset, u16(std::uint16_t(item.code))}}));
            ASSERT_TRUE(fields);
            const auto field =
                std::find_if(fields->begin(), fields->end(), [&](const FieldText& f) {
                    return f.caption == parameter.captionText();
                });
            ASSERT_NE(field, fields->end()) << parameter.captionText().toStdString();
            EXPECT_EQ(field->text, QString::fromUtf16(item.text))
                << parameter.captionText().toStdString();
            if (parameter.kind == WriteKind::Enumeration) {
                EXPECT_EQ(parameter.codeOf(field->text), item.code);
            }
        }
    }
}

} // namespace
