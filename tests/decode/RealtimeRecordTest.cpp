#include "RealtimeRecord.h"
#include "ReplyFrames.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Data offsets of the real-time registers.
constexpr int flowRate = 0, flowRateUnit = 4, forwardWhole = 6, forwardDecimal = 10,
              totalizerUnit = 14, reverseWhole = 16, reverseDecimal = 20, firstAlarm = 26,
              flowSpeed = 36, spanPercentage = 40, electrodeImpedance = 44;

RealtimeReading decoded(std::initializer_list<Put> puts, int address = 1) {
    const std::optional<RealtimeReading> reading = decodeRealtimeRecord(reply(48, puts, address));
    EXPECT_TRUE(reading);
    return reading.value_or(RealtimeReading{});
}

std::optional<QString> text(const char* s) {
    return QString::fromLatin1(s);
}

TEST(RealtimeRecord, DecodesEveryColumn) {
    const RealtimeReading r =
        decoded({{flowRate, f32(-3.1f)},
                 {flowRateUnit, u16(7)},
                 {forwardWhole, u32(1234)},
                 {forwardDecimal, f32(0.5f)},
                 {totalizerUnit, u16(6)},
                 {reverseWhole, u32(56)},
                 {reverseDecimal, f32(0.125f)},
                 {24, u16(0xFFFF)}, // register 12 means nothing
                 {flowSpeed, f32(1.005f)},
                 {spanPercentage, f32(45.5f)},
                 {electrodeImpedance, f32(std::numeric_limits<float>::quiet_NaN())}},
                7);
    EXPECT_EQ(f32(-3.1f), QByteArray::fromHex("C0466666"));
    EXPECT_EQ(r.address, 7);
    EXPECT_EQ(r.flowRate, text("-3.10"));
    EXPECT_EQ(r.flowRateUnit, text("m3/h"));
    EXPECT_EQ(r.forwardTotal, text("1234.50"));
    EXPECT_EQ(r.totalizerUnit, text("m3"));
    EXPECT_EQ(r.reverseTotal, text("56.13")); // a tie goes away from zero
    EXPECT_EQ(r.status, QStringLiteral("Communication OK"));
    EXPECT_EQ(r.flowSpeed, text("1.01")); // from 1.0050, though the float is below it
    EXPECT_EQ(r.spanPercentage, text("45.50"));
    EXPECT_EQ(r.electrodeImpedance, std::nullopt); // NaN has no text
}

TEST(RealtimeRecord, UnitCodesOutsideTheTablesLeaveTheColumn) {
    struct Case {
        std::uint16_t flowCode, totalCode;
        std::optional<QString> flowText, totalText;
    };
    const Case cases[] = {{0, 0, text("l/s"), text("l")},
                          {8, 20, text("CFM"), text("MMID")},
                          {9, 21, std::nullopt, std::nullopt}};
    for (const Case& c : cases) {
        const RealtimeReading r =
            decoded({{flowRateUnit, u16(c.flowCode)}, {totalizerUnit, u16(c.totalCode)}});
        EXPECT_EQ(r.flowRateUnit, c.flowText) << c.flowCode;
        EXPECT_EQ(r.totalizerUnit, c.totalText) << c.totalCode;
    }
}

TEST(RealtimeRecord, AlarmOnlyWhenTheRegisterHoldsOne) {
    struct Case {
        std::uint16_t r13, r14, r15, r16, r17;
        const char* status;
    };
    const Case cases[] = {{1, 0, 1, 0, 0, "Communication OK,Excitation Alarm,Empty Pipe Alarm"},
                          {2, 0xFFFF, 0x0100, 0, 0, "Communication OK"},
                          {1, 1, 1, 1, 1,
                           "Communication OK,Excitation Alarm,Low Battery Alarm,Empty Pipe Alarm,"
                           "Exceed Upper Limit,Exceed Lower Limit"}};
    for (const Case& c : cases) {
        const RealtimeReading r =
            decoded({{firstAlarm, u16(c.r13) + u16(c.r14) + u16(c.r15) + u16(c.r16) + u16(c.r17)}});
        EXPECT_EQ(r.status, QString::fromLatin1(c.status));
    }
}

TEST(RealtimeRecord, TotalsAddInFixedPoint) {
    struct Case {
        std::uint32_t whole;
        float decimal;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {4294967295u, 0.25f, text("4294967295.25")},  // every digit of the whole part kept
        {12, 0.99999f, text("13.00")},                // 0.99999 is 1 after four decimals
        {0, 1e20f, text("100000002004087734272.00")}, // beyond the fixed point
        {5, std::numeric_limits<float>::infinity(), std::nullopt}};
    for (const Case& c : cases) {
        const RealtimeReading r = decoded({{forwardWhole, u32(c.whole)},
                                           {forwardDecimal, f32(c.decimal)},
                                           {reverseWhole, u32(c.whole)},
                                           {reverseDecimal, f32(c.decimal)}});
        EXPECT_EQ(r.forwardTotal, c.text) << c.whole << " + " << c.decimal;
        EXPECT_EQ(r.reverseTotal, c.text) << c.whole << " + " << c.decimal;
    }
}

TEST(RealtimeRecord, DropsDamagedReplies) {
    const QByteArray good = replyFrame(48, {{flowRate, f32(1.0f)}});
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
