#include "ParameterBlocks.h"
#include "ParameterMap.h"
#include "ReplyFrames.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

constexpr int dataBytes[] = {44, 50, 60, 2}; // blocks 1 to 4

QString blockReply(int block, std::initializer_list<Put> puts) {
    return reply(dataBytes[block - 1], puts);
}

std::optional<QList<FieldText>> decodeBlock(int block, const QString& hex) {
    return decodeParameterBlock(parameterBlocks[block - 1], hex);
}

QString caption(const FieldText& field) {
    return ParameterMap::find(field.reg)->captionText();
}

// "caption" + "text" of every field, in order, joined by '|'.
QString decoded(int block, std::initializer_list<Put> puts) {
    const std::optional<QList<FieldText>> fields = decodeBlock(block, blockReply(block, puts));
    EXPECT_TRUE(fields) << "block " << block;
    QStringList texts;
    for (const FieldText& field : fields.value_or(QList<FieldText>{}))
        texts << caption(field) + field.text;
    return texts.join(u'|');
}

TEST(ParameterBlocks, WorkedBlocks) {
    EXPECT_EQ(decoded(1, {{0, f32(12.34567f)},
                          {6, u16(17)},
                          {8, u16(10)},
                          {10, u16(65535)},
                          {12, u16(3)},
                          {14, f32(50.0f)},
                          {18, u16(1)},
                          {20, f32(-0.0125f)},
                          {24, f32(1.5f)},
                          {28, u16(5)},
                          {30, u16(15)},
                          {34, u16(0)},
                          {36, f32(0.005f)},
                          {40, u32(4294967295u)}}),
              "Meter size:12.3457|Language:Chinese|Meter address:17|Baudrate:115200|"
              "Communication interval:65535|Flow rate unit:GPM|Meter span setup:50|"
              "Flow direction:Reverse|Zero point:-0.013|Flow cutoff:1.500|Damping:5|"
              "Flow totalizer unit:ACRE In|Reverse flow enable:Foward|"
              "Digital output type:Frequency|K factor:0.01|Pulse width:4294967295");
    // Block 2: floats as received, the serial last byte first. 0.005f is a hair below 0.005:
    // without the four-decimal step it shows 0.00.
    EXPECT_EQ(decoded(2, {{0, f32(0.005f)},
                          {4, f32(0.125f)},
                          {8, f32(2000.0f)},
                          {12, f32(-1.5f)},
                          {20, u16(7)},
                          {22, "ABCDEFGHIJ"},
                          {32, u16(2)},
                          {46, f32(4.0f)}}),
              "Frquency output span:0.00|Frequency duty cycle:0.13|EPD threshold:2000.00|"
              "Sensor factor:-1.50|User factor:0.00|Excitation mode:MODE8|"
              "Sensor Serial:JIHGFEDCBA|Linearization enable:ON|x1:0.00|y1:0.00|x2:0.00|"
              "y2:4.00");

    EXPECT_EQ(decoded(3, {{0, f32(0.005f)},
                          {24, u32(4294967295u)},
                          {28, u32(1)},
                          {32, u16(300)},
                          {34, f32(0.12345f)},
                          {38, f32(123.4f)},
                          {42, u16(1)},
                          {44, u32(0xFFFFFFFF)},
                          {48, "0123456789"},
                          {58, u16(2)}}),
              "x3:0.01|y3:0.00|x4:0.00|y4:0.00|x5:0.00|y5:0.00|Flow totalizer:4294967295|"
              "Reverse flow totalizer:1|Measurement interval:300|"
              "Threshold for 5s flow measurement:0.1235|Transducer factor:12.340|"
              "Meter sleep:ON|Transducer serial#:9876543210|Parity check:EVEN");
}

TEST(ParameterBlocks, OneFieldCases) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // "-": the field is left as it was.
    const std::tuple<int, Put, const char*, const char*> cases[] = {
        {1, {12, u16(2)}, "Flow rate unit:", "-"},
        {1, {12, u16(9)}, "Flow rate unit:", "MLD"},
        {1, {8, u16(11)}, "Baudrate:", "-"},
        {1, {0, f32(nan)}, "Meter size:", "-"},
        {2, {20, u16(8)}, "Excitation mode:", "-"},
        {2, {22, "\351123456789"}, "Sensor Serial:", "987654321\351"},
        {3, {42, u16(2)}, "Meter sleep:", "-"},
        {4, {0, u16(0x0100)}, "Empty Pipe Detection Switch:", "Enable"},
        {4, {0, u16(0x0001)}, "Empty Pipe Detection Switch:", "Disable"},
        {4, {0, u16(0x0002)}, "Empty Pipe Detection Switch:", "-"}};
    for (const auto& [block, put, label, shown] : cases) {
        const std::optional<QList<FieldText>> fields = decodeBlock(block, blockReply(block, {put}));
        ASSERT_TRUE(fields);
        const auto field = std::find_if(fields->begin(), fields->end(), [&](const FieldText& f) {
            return caption(f) == QLatin1String(label);
        });
        EXPECT_EQ(field != fields->end() ? field->text : QStringLiteral("-"),
                  QString::fromLatin1(shown))
            << label;
    }
}

TEST(ParameterBlocks, DropsDamagedReplies) {
    for (int block = 1; block <= 4; ++block) {
        const QByteArray good = replyFrame(dataBytes[block - 1], {});
        QByteArray badCrc = good;
        badCrc[good.size() - 2] = char(good[good.size() - 2] ^ 0x01);
        EXPECT_TRUE(decodeBlock(block, HexText::fromBytes(good)));
        EXPECT_FALSE(decodeBlock(block, HexText::fromBytes(badCrc))) << block;
        EXPECT_FALSE(decodeBlock(block, HexText::fromBytes(withCrc(good)))) << block;
        EXPECT_FALSE(decodeBlock(block, blockReply(block % 4 + 1, {}))) << block;
    }
    // A real-time reply is no parameter block, whatever it holds.
    EXPECT_FALSE(decodeParameterBlock(ReplyKind::RealTime, reply(48, {})));
}

} // namespace
