#include "ValueCodec.h"

#include <gtest/gtest.h>

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

} // namespace
