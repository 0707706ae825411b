#include "VolumeUnit.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

TEST(VolumeUnit, Convert) {
    const std::optional<double> none;
    const std::tuple<const char*, const char*, double, std::optional<double>> cases[] = {
        {"Kl", "m3", 2, 2},          {"gal", "l", 1, 3.785411784},
        {"Kgal", "Mgal", 1500, 1.5}, {"af", "AI", 1, 12},
        {"Mft3", "Kft3", 1, 1000},   {"Km3", "Maf", 1233.48183754752, 0.001},
        {"MID", "MID", 5, 5}, // same text: no size needed
        {"MID", "m3", 5, none},      {"m3", "KMID", 5, none},
        {"ml", "l", 5, none}, // case matters
        {"", "m3", 5, none},
    };
    for (const auto& [from, to, value, expected] : cases) {
        const auto got = VolumeUnit::convert(value, QString::fromUtf8(from), QString::fromUtf8(to));
        ASSERT_EQ(got.has_value(), expected.has_value()) << from << " to " << to;
        if (got) {
            EXPECT_NEAR(*got, *expected, *expected * 1e-12) << from << " to " << to;
        }
    }
}

} // namespace
