#include "RealtimeRecord.h"
#include "RealtimeMap.h"
#include "ReplyFrames.h"
#include "ReplyKind.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Where each register stands in the reply's data.
constexpr int at(int reg) {
    return layoutOf(ReplyKind::RealTime).dataOffset(reg);
}
using namespace RealtimeRegister;

// The decoded columns joined by '|', '-' for one left as it was: address,
// flow rate, its unit, totalizer unit, forward, reverse, status, flow speed,
// span percentage, electrode impedance.
QString decoded(std::initializer_list<Put> puts, int address = 1) {
    const std::optional<Reading> r = decodeRealtimeRecord(reply(48, puts, address));
    if (!r)
        return QStringLiteral("dropped");
    const auto text = [](const std::optional<QString>& column) { return column.value_or("-"); };
    return QStringList{QString::number(r->address),
                       text(r->flowRate),
                       text(r->flowRateUnit),
                       text(r->totalizerUnit),
                       text(r->forwardTotal),
                       text(r->reverseTotal),
                       text(r->status),
                       text(r->flowSpeed),
                       text(r->spanPercentage),
                       text(r->electrodeImpedance)}
        .join('|');
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
              "7|-3.10|m3/h|m3|1234.50|56.13|Communication OK,Excitation Alarm,Empty Pipe "
              "Alarm|1.01|45.50|-");
}

TEST(RealtimeRecord, UnitCodesOutsideTheTablesLeaveTheColumn) {
    const std::tuple<std::uint16_t, std::uint16_t, const char*> cases[] = {
        {0, 0, "l/s|l"}, {8, 20, "CFM|MMID"}, {9, 21, "-|-"}};
    for (const auto& [flowCode, totalCode, units] : cases)
        EXPECT_EQ(decoded({{at(FlowRateUnit), u16(flowCode)}, {at(TotalizerUnit), u16(totalCode)}})
                      .section('|', 2, 3),
                  units);
}

TEST(RealtimeRecord, AlarmOnlyWhenTheRegisterHoldsOne) {
    // Registers 13 to 17.
    const std::pair<QList<std::uint16_t>, const char*> cases[] = {
        {{2, 0xFFFF, 0x0100, 0, 0}, "Communication OK"},
        {{1, 1, 1, 1, 1},
         "Communication OK,Excitation Alarm,Low Battery Alarm,Empty Pipe Alarm,"
         "Exceed Upper Limit,Exceed Lower Limit"}};
    for (const auto& [registers, status] : cases) {
        QByteArray bytes;
        for (std::uint16_t value : registers)
            bytes += u16(value);
        EXPECT_EQ(decoded({{at(FirstAlarm), bytes}}).section('|', 6, 6), status);
    }
}

TEST(RealtimeRecord, TotalsAddInFixedPoint) {
    const std::tuple<std::uint32_t, float, const char*> cases[] = {
        {4294967295u, 0.25f, "4294967295.25"},  // every digit of the whole part kept
        {12, 0.99999f, "13.00"},                // 0.99999 is 1 after four decimals
        {0, 1e20f, "100000002004087734272.00"}, // beyond the fixed point
        {5, std::numeric_limits<float>::infinity(), "-"}};
    for (const auto& [whole, decimal, text] : cases)
        EXPECT_EQ(decoded({{at(ForwardWhole), u32(whole)},
                           {at(ForwardDecimal), f32(decimal)},
                           {at(ReverseWhole), u32(whole)},
                           {at(ReverseDecimal), f32(decimal)}})
                      .section('|', 4, 5),
                  QString::fromLatin1(text) + '|' + text);
}

TEST(RealtimeRecord, DropsDamagedReplies) {
    const QByteArray good = replyFrame(48, {{at(FlowRate), f32(1.0f)}});
    ASSERT_TRUE(decodeRealtimeRecord(HexText::fromBytes(good)));
    QByteArray flipped = good;
    flipped[20] = char(flipped[20] ^ 0x04);
    QString notHex = HexText::fromBytes(good);
    notHex[40] = u'G';

    const QString rejected[] = {
        HexText::fromBytes(flipped),
        HexText::fromBytes(withCrc(good)),                                      // 53 + 1 bytes
        HexText::fromBytes(good).chopped(2), notHex, QString(), reply(44, {})}; // a parameter block
    for (const QString& hex : rejected)
        EXPECT_FALSE(decodeRealtimeRecord(hex)) << hex.toStdString();
}

} // namespace
