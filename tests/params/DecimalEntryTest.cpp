#include "DecimalEntry.h"

#include <QString>
#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(DecimalEntry, FixedPointParse) {
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    const std::optional<qint64> refused;
    struct Case {
        const char* text;
        std::optional<qint64> value;
    };
    const Case cases[] = {{"12", 120000},
                          {"  -0.5 ", -5000},
                          {"+3.", 30000},
                          {".25", 2500},
                          {"-0", 0},
                          // a tie at the fifth decimal goes to the even side
                          {"1.00005", 10000},
                          {"1.00015", 10002},
                          {"1.000051", 10001},
                          {"-1.00006", -10001},
                          {"922337203685477.5807", max},
                          {"-922337203685477.5807", -max},
                          {"922337203685477.5808", refused},
                          {"99999999999999999999", refused},
                          {"", refused},
                          {"   ", refused},
                          {"abc", refused},
                          {"12a", refused},
                          {"1.2.3", refused},
                          {"-", refused},
                          {".", refused},
                          {"+-1", refused},
                          {"- 5", refused},
                          {"1 000", refused},
                          {"1,5", refused},
                          {"1e3", refused}};
    for (const Case& c : cases)
        EXPECT_EQ(DecimalEntry::parseFixedPoint(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(DecimalEntry, LeadingNumberScan) {
    const std::optional<double> none;
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {{"12.34", 12.34}, {" 12.5abc", 12.5}, {"1 2 3", 123.0}, {"- 5", -5.0},
                          {"3.2.1", 3.2},   {".5", 0.5},        {"1e3", 1.0},     {"12-3", 12.0},
                          {"abc", none},    {"", none},         {"-", none},      {"-.x", none}};
    for (const Case& c : cases)
        EXPECT_EQ(DecimalEntry::scanLeadingNumber(QString::fromLatin1(c.text)), c.value) << c.text;
}

} // namespace
