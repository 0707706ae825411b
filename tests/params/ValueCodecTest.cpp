#include "ValueCodec.h"
#include "DecimalEntry.h"

#include <QString>
#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr qint64 unit = 10000;

TEST(ValueToBytes, Vectors) {
    struct Case {
        qint64 value; // ten-thousandths
        RegisterType type;
        const char* hex;
    };
    const Case cases[] = {{25000, RegisterType::Int16, "0002"}, // a half goes to the even side
                          {35000, RegisterType::Int16, "0004"},
                          {32767 * unit, RegisterType::Int16, "7fff"},
                          {327675000, RegisterType::Int16, "7fff"},
                          {-1 * unit, RegisterType::Int16, "7fff"}, // negatives take the maximum
                          {-1, RegisterType::Int32, "7fffffff"},
                          {2147483647 * unit, RegisterType::Int32, "7fffffff"},
                          {2147483648 * unit, RegisterType::Int32, "7fffffff"},
                          {65536 * unit, RegisterType::Int32, "00010000"},
                          {1 * unit, RegisterType::Float32, "3f800000"},
                          {-25000, RegisterType::Float32, "c0200000"},
                          {1000, RegisterType::Float32, "3dcccccd"}};
    for (const Case& c : cases)
        EXPECT_EQ(ValueToBytes(c.value, c.type).toHex(), QByteArray(c.hex))
            << c.value << " " << int(c.type);
}

TEST(DecimalEntry, FixedPointParse) {
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    struct Case {
        const char* text;
        qint64 value;
    };
    // A tie at the fifth decimal goes to the even side.
    const Case cases[] = {{"12", 120000},     {"  -0.5 ", -5000},  {"+3.", 30000},
                          {".25", 2500},      {"-0", 0},           {"1.00005", 10000},
                          {"1.00015", 10002}, {"1.000051", 10001}, {"-1.00006", -10001}};
    for (const Case& c : cases)
        EXPECT_EQ(DecimalEntry::parseFixedPoint(QString::fromLatin1(c.text)), c.value) << c.text;
    EXPECT_EQ(DecimalEntry::parseFixedPoint(u"922337203685477.5807"), max);
    EXPECT_EQ(DecimalEntry::parseFixedPoint(u"-922337203685477.5807"), -max);
    for (const char* text : {"922337203685477.5808", "99999999999999999999", "", "   ", "abc",
                             "12a", "1.2.3", "-", ".", "+-1", "- 5", "1 000", "1,5", "1e3"})
        EXPECT_FALSE(DecimalEntry::parseFixedPoint(QString::fromLatin1(text))) << text;
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
