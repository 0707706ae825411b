#include "ParameterBlocks.h"
#include "ParameterMap.h"
#include "RealtimeMap.h"
#include "RealtimeRecord.h"
#include "ReplyFrames.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <limits>

namespace {

// Where each register stands in the reply's data.
constexpr int at(int reg) {
    return layoutOf(ReplyKind::RealTime).dataOffset(reg);
}
using namespace RealtimeRegister;

// The address and every value in the meter row's order, '-' for one left as it was.
QString decoded(std::initializer_list<Put> puts, int address = 1) {
    const std::optional<Reading> r = decodeRealtimeRecord(reply(48, puts, address));
    QStringList columns{QString::number(r ? r->address : -1)};
    for (const ReadingValue& value : readingValues)
        columns << (r ? (*r).*value.member : std::nullopt).value_or("-");
    return columns.join('|');
}

// A worked frame laid out by hand, data offset by data offset, so that it
// checks the register map as well as the decoding.
TEST(RealtimeRecord, DecodesEveryColumn) {
    // Register 12 means nothing; 0.125 is a tie and goes away from zero;
    // 1.005f is a hair below 1.005 but rounds from 1.0050; NaN has no text.
    EXPECT_EQ(decoded({{0, f32(-3.1f)},
                       {4, u16(7)},
                       {6, u32(1234)},
                       {10, f32(0.5f)},
                       {14, u16(6)},
                       {16, u32(56)},
                       {20, f32(0.125f)},
                       {24, u16(0xFFFF)},
                       {26, u16(1) + u16(0) + u16(1) + u16(0) + u16(0)},
                       {36, f32(1.005f)},
                       {40, f32(45.5f)},
                       {44, f32(std::numeric_limits<float>::quiet_NaN())}},
                      7),
              "7|-3.10|m3/h|1234.50|56.13|m3|Communication OK,Excitation Alarm,Empty Pipe "
              "Alarm|1.01|45.50|-");
}

// Columns first to last of a record with a few registers set.
TEST(RealtimeRecord, UnitsAlarmsAndTotals) {
    const float inf = std::numeric_limits<float>::infinity();
    const QByteArray ones = u16(1) + u16(1) + u16(1) + u16(1) + u16(1);
    const char* alarms = "Communication OK,Excitation Alarm,Low Battery Alarm,Empty Pipe Alarm,"
                         "Exceed Upper Limit,Exceed Lower Limit";
    const struct {
        int first, last;
        const char* shown;
        std::initializer_list<Put> puts;
    } cases[] = {
        {2, 5, "l/s|0.00|0.00|l", {{at(FlowRateUnit), u16(0)}, {at(TotalizerUnit), u16(0)}}},
        {2, 5, "CFM|0.00|0.00|MMID", {{at(FlowRateUnit), u16(8)}, {at(TotalizerUnit), u16(20)}}},
        {2, 5, "-|0.00|0.00|-", {{at(FlowRateUnit), u16(9)}, {at(TotalizerUnit), u16(21)}}},
        // An alarm only when its register (13 to 17) holds one.
        {6, 6, "Communication OK", {{at(FirstAlarm), u16(2) + u16(0xFFFF) + u16(0x0100) + u16(0)}}},
        {6, 6, alarms, {{at(FirstAlarm), ones}}},
        // Totals add in fixed point: every digit of the whole part kept, 0.99999
        // is 1 after four decimals, a huge decimal part is beyond the fixed point.
        {3, 3, "4294967295.25", {{at(ForwardWhole), u32(~0u)}, {at(ForwardDecimal), f32(0.25f)}}},
        {4, 4, "13.00", {{at(ReverseWhole), u32(12)}, {at(ReverseDecimal), f32(0.99999f)}}},
        {3, 3, "100000002004087734272.00", {{at(ForwardDecimal), f32(1e20f)}}},
        {4, 4, "-", {{at(ReverseWhole), u32(5)}, {at(ReverseDecimal), f32(inf)}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decoded(c.puts).section('|', c.first, c.last), c.shown);
}

constexpr int dataBytes[] = {48, 44, 50, 60, 2}; // the real-time record, then blocks 1 to 4

// "caption" + "text" of every field, in order, joined by '|'.
QString decoded(int block, std::initializer_list<Put> puts) {
    const std::optional<QList<FieldText>> fields =
        decodeParameterBlock(parameterBlocks[block - 1], reply(dataBytes[block], puts));
    QStringList texts;
    for (const FieldText& field : fields.value_or(QList<FieldText>{}))
        texts << ParameterMap::find(field.reg)->captionText() + field.text;
    return fields ? texts.join(u'|') : QStringLiteral("dropped");
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

// One field set; "-" leaves it as it was.
TEST(ParameterBlocks, OneFieldCases) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::tuple<int, Put, const char*> cases[] = {
        {1, {12, u16(2)}, "Flow rate unit:-"},
        {1, {12, u16(9)}, "Flow rate unit:MLD"},
        {1, {8, u16(11)}, "Baudrate:-"},
        {1, {0, f32(nan)}, "Meter size:-"},
        {2, {20, u16(8)}, "Excitation mode:-"},
        {2, {22, "\351123456789"}, "Sensor Serial:987654321\351"},
        {3, {42, u16(2)}, "Meter sleep:-"},
        {4, {0, u16(0x0100)}, "Empty Pipe Detection Switch:Enable"},
        {4, {0, u16(0x0001)}, "Empty Pipe Detection Switch:Disable"},
        {4, {0, u16(0x0002)}, "Empty Pipe Detection Switch:-"}};
    for (const auto& [block, put, shown] : cases) {
        const QString label = QString::fromLatin1(shown).section(u':', 0, 0) + u':';
        EXPECT_EQ(decoded(block, {put}).split(u'|').filter(label).value(0, label + u'-'),
                  QString::fromLatin1(shown));
    }
}

// Every reply kind refuses a wrong CRC, length or hex digit, and another kind's reply.
TEST(ParameterBlocks, DropsDamagedReplies) {
    const auto decodes = [](int kind, const QString& hex) {
        return kind == 0 ? decodeRealtimeRecord(hex).has_value()
                         : decodeParameterBlock(parameterBlocks[kind - 1], hex).has_value();
    };
    for (int kind = 0; kind <= 4; ++kind) {
        const QByteArray good = replyFrame(dataBytes[kind], {});
        QByteArray badCrc = good;
        badCrc[dataBytes[kind] + 3] = char(badCrc[dataBytes[kind] + 3] ^ 0x04);
        QString notHex = HexText::fromBytes(good);
        notHex[8] = u'G';
        EXPECT_TRUE(decodes(kind, HexText::fromBytes(good))) << kind;
        for (const QString& hex : {HexText::fromBytes(badCrc), HexText::fromBytes(withCrc(good)),
                                   HexText::fromBytes(good).chopped(2), notHex, QString(),
                                   reply(dataBytes[(kind + 1) % 5], {})})
            EXPECT_FALSE(decodes(kind, hex)) << kind << hex.toStdString();
    }
    EXPECT_FALSE(decodeParameterBlock(ReplyKind::RealTime, reply(48, {})));
}

} // namespace
