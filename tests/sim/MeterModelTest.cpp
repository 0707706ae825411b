#include "MeterModel.h"

#include <gtest/gtest.h>

namespace {

TEST(MeterModel, StartsWithPlausibleParameters) {
    const MeterModel meter(42, 1);
    struct Case {
        int reg;
        std::uint16_t value;
    };
    const Case words[] = {{26, 1}, {27, 42}, {28, 4}, {30, 7}, {33, 0},  {38, 3},
                          {39, 6}, {40, 0},  {87, 1}, {92, 0}, {100, 0}, {101, 0}};
    for (const Case& c : words)
        EXPECT_EQ(meter.registerValue(c.reg), c.value) << "register " << c.reg;
    EXPECT_FLOAT_EQ(meter.floatAt(24), 50.0f);
    EXPECT_FLOAT_EQ(meter.floatAt(90), 123.4f);
    EXPECT_EQ(meter.u32At(44), 1000u);
    EXPECT_EQ(meter.text10At(95), QStringLiteral("RX71000042"));
    EXPECT_EQ(meter.text10At(57), QStringLiteral("SN20240042"));
    // The tool shows the byte at the highest offset first, so the field holds
    // the text backwards.
    EXPECT_EQ(meter.readBytes(95, 5), QByteArray("24000017XR"));
}

TEST(MeterModel, RealTimeValuesStayInTheirRanges) {
    MeterModel meter(3, 99);
    bool sawAlarm = false;
    // About a day in ten-second steps, as a slow poll would see it.
    for (int step = 0; step < 8640; ++step) {
        meter.advance(10.0);
        ASSERT_EQ(meter.registerValue(2), 7);
        ASSERT_EQ(meter.registerValue(7), 6);
        ASSERT_GT(meter.floatAt(0), 0.0f);
        const float fraction = meter.floatAt(5);
        ASSERT_GE(fraction, 0.0f);
        ASSERT_LT(fraction, 1.0f);
        for (int reg = 13; reg <= 17; ++reg) {
            ASSERT_LE(meter.registerValue(reg), 1) << "register " << reg;
            sawAlarm = sawAlarm || meter.registerValue(reg) == 1;
        }
        ASSERT_GT(meter.floatAt(18), 0.0f);
        ASSERT_GT(meter.floatAt(22), 0.0f);
    }
    EXPECT_TRUE(sawAlarm);
}

TEST(MeterModel, ForwardTotalGrowsWithTheFlow) {
    MeterModel meter(1, 5);
    const double before = meter.forwardTotal();
    const std::uint32_t reverse = meter.u32At(8);
    meter.advance(3600.0);
    const double grown = meter.forwardTotal() - before;
    // An hour at 8 to 20 m3/h give or take the waves.
    EXPECT_GT(grown, 8.0 * 0.7);
    EXPECT_LT(grown, 20.0 * 1.3);
    EXPECT_NEAR(double(meter.u32At(3)) + double(meter.floatAt(5)), meter.forwardTotal(), 1e-4);
    EXPECT_EQ(meter.u32At(8), reverse);
    EXPECT_EQ(meter.u32At(83), meter.u32At(3));
}

TEST(MeterModel, TotalizerWriteOverridesTheRunningTotal) {
    MeterModel meter(1, 5);
    meter.advance(100.0);
    meter.writeRegisters(83, {0, 500});
    EXPECT_EQ(meter.u32At(3), 500u);
    EXPECT_FLOAT_EQ(meter.floatAt(5), 0.0f);
    meter.writeRegisters(85, {0x0001, 0x0000});
    EXPECT_EQ(meter.u32At(8), 65536u);
}

} // namespace
