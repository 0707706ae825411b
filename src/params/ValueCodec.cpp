#include "ValueCodec.h"

#include <bit>
#include <cstdint>

namespace {

constexpr qint64 unit = 10000;

QByteArray bigEndian(std::uint64_t value, int size) {
    QByteArray bytes(size, '\0');
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        bytes[i] = static_cast<char>(value & 0xFF);
    return bytes;
}

// Whole number of a non-negative fixed-point value, a half to the even side.
qint64 roundHalfEven(qint64 tenThousandths) {
    qint64 whole = tenThousandths / unit;
    const qint64 rest = tenThousandths % unit;
    if (rest > unit / 2 || (rest == unit / 2 && whole % 2 != 0))
        ++whole;
    return whole;
}

// Negatives go out as the maximum as well, not as 0.
qint64 clampedWhole(qint64 tenThousandths, qint64 maximum) {
    if (tenThousandths < 0 || tenThousandths > maximum * unit)
        return maximum;
    return roundHalfEven(tenThousandths);
}

} // namespace

QByteArray ValueToBytes(qint64 tenThousandths, RegisterType type) {
    switch (type) {
    case RegisterType::Int16:
        return bigEndian(static_cast<std::uint64_t>(clampedWhole(tenThousandths, 32767)), 2);
    case RegisterType::Int32:
        return bigEndian(static_cast<std::uint64_t>(clampedWhole(tenThousandths, 2147483647)), 4);
    case RegisterType::Float32: {
        const auto value = static_cast<float>(static_cast<double>(tenThousandths) / unit);
        return bigEndian(std::bit_cast<std::uint32_t>(value), 4);
    }
    }
    return {};
}
