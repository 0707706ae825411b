#include "ParameterTable.h"
#include "ParameterBlocks.h"
#include "ReplyFrames.h"

#include <QMap>
#include <QSet>
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

TEST(ParameterTable, EachWindowsFieldsAndWrites) {
    struct Expect {
        ParameterWindowKind window;
        int shown;
        int written;
        QList<int> perColumn;
    };
    const Expect expects[] = {{ParameterWindowKind::Full, 43, 27, {15, 14, 14}},
                              {ParameterWindowKind::Basic, 13, 10, {9, 4}}};
    for (const Expect& e : expects) {
        int written = 0;
        QMap<int, QSet<int>> rows; // column -> rows taken
        const QList<const Parameter*> shown = ParameterTable::shownIn(e.window);
        for (const Parameter* parameter : shown) {
            const FieldPlace place = parameter->placeIn(e.window);
            EXPECT_FALSE(rows[place.column].contains(place.row))
                << parameter->captionText().toStdString();
            rows[place.column].insert(place.row);
            if (parameter->writtenIn(e.window)) {
                ++written;
                EXPECT_FALSE(parameter->itemName().isEmpty());
                EXPECT_TRUE(parameter->failureNotice().startsWith("Notice:  "));
            }
        }
        EXPECT_EQ(shown.size(), e.shown);
        EXPECT_EQ(written, e.written);
        ASSERT_EQ(rows.size(), e.perColumn.size());
        for (int column = 1; column <= e.perColumn.size(); ++column) {
            // Rows run from the top without a gap.
            EXPECT_EQ(rows[column].size(), e.perColumn[column - 1]) << column;
            for (int row = 0; row < e.perColumn[column - 1]; ++row)
                EXPECT_TRUE(rows[column].contains(row)) << column << "/" << row;
        }
    }
    EXPECT_EQ(ParameterTable::serialNumber().captionText(), "Transducer serial#:");
    EXPECT_EQ(
        ParameterTable::find(u"Empty Pipe Detection Switch:")->labelIn(ParameterWindowKind::Basic),
        "EPD Enable:");
}

// The decoders name every field they fill; each name must be a field here.
TEST(ParameterTable, EveryDecodedCaptionHasItsField) {
    QSet<QString> decoded;
    for (int block = 1; block <= 4; ++block) {
        static constexpr int dataBytes[] = {44, 50, 60, 2};
        const auto fields = decodeParameterBlock(block, reply(dataBytes[block - 1], {}));
        ASSERT_TRUE(fields);
        for (const FieldText& field : *fields) {
            decoded << field.caption;
            EXPECT_TRUE(ParameterTable::find(field.caption)) << field.caption.toStdString();
        }
    }
    EXPECT_EQ(decoded.size(), 43);
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
