#include "ValueCodec.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 unit = 10000;

TEST(ValueToBytes, Vectors) {
    struct Case {
        qint64 value; // ten-thousandths
        const char16_t* type;
        const char* hex;
    };
    const Case cases[] = {{25000, RegisterType::int16, "0002"}, // a half goes to the even side
                          {35000, RegisterType::int16, "0004"},
                          {32767 * unit, RegisterType::int16, "7fff"},
                          {327675000, RegisterType::int16, "7fff"},
                          {-1 * unit, RegisterType::int16, "7fff"}, // negatives take the maximum
                          {-1, RegisterType::int32, "7fffffff"},
                          {2147483647 * unit, RegisterType::int32, "7fffffff"},
                          {2147483648 * unit, RegisterType::int32, "7fffffff"},
                          {65536 * unit, RegisterType::int32, "00010000"},
                          {1 * unit, RegisterType::float32, "3f800000"},
                          {-25000, RegisterType::float32, "c0200000"},
                          {1000, RegisterType::float32, "3dcccccd"},
                          {1 * unit, RegisterType::int64, "0000000000002710"},
                          {100000000 * unit, RegisterType::int64, "000000e8d4a50fff"},
                          {-1, RegisterType::int64, "000000e8d4a50fff"}};
    for (const Case& c : cases)
        EXPECT_EQ(ValueToBytes(c.value, c.type).toHex(), QByteArray(c.hex))
            << c.value << " " << QString::fromUtf16(c.type).toStdString();
}

TEST(ValueToBytes, UnknownKeyGivesNothing) {
    for (const QString& key :
         {QString(), QStringLiteral(u"16位整数 "), QStringLiteral(u"32位浮点")})
        EXPECT_TRUE(ValueToBytes(unit, key).isEmpty()) << key.toStdString();
}

} // namespace

namespace {

TEST(ByteToHex, TwoUpperCaseDigits) {
    const std::pair<quint8, const char*> cases[] = {
        {10, "0A"}, {255, "FF"}, {0, "00"}, {0xA5, "A5"}};
    for (const auto& [byte, text] : cases)
        EXPECT_EQ(ByteToHex(byte), QString::fromLatin1(text)) << int(byte);
}

} // namespace
