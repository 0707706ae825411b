#include "DecimalText.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double twoTo63 = 9223372036854775808.0;

std::uint64_t pow10(int exponent) {
    std::uint64_t result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

} // namespace

namespace DecimalText {

float r4(float value) {
    if (!std::isfinite(value))
        return value;
    // A float times 10^4 needs at most 38 bits, so the product is exact in a
    // double and only the rounding below changes the value.
    const double scaled = static_cast<double>(value) * 10000.0;
    const auto rounded = static_cast<float>(std::nearbyint(scaled) / 10000.0);
    return rounded == 0.0f ? 0.0f : rounded; // no "-0"
}

std::optional<qint64> toTenThousandths(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value * 10000.0);
    if (rounded >= twoTo63 || rounded < -twoTo63)
        return std::nullopt;
    return static_cast<qint64>(rounded);
}

QString fixedPoint(qint64 units, int unitDecimals, int decimals) {
    const bool negative = units < 0;
    // Unsigned magnitude, so the most negative qint64 needs no special case.
    std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    const std::uint64_t divisor = pow10(unitDecimals - decimals);
    const std::uint64_t remainder = magnitude % divisor;
    magnitude /= divisor;
    if (remainder * 2 >= divisor && divisor > 1)
        ++magnitude;

    const std::uint64_t scale = pow10(decimals);
    QString text;
    if (negative && magnitude != 0)
        text += u'-';
    text += QString::number(magnitude / scale);
    if (decimals > 0)
        text += u'.' + QString::number(magnitude % scale).rightJustified(decimals, u'0');
    return text;
}

std::optional<QString> decimalText(float value, int decimals) {
    if (!std::isfinite(value))
        return std::nullopt;
    // Exact for decimals up to 4 (see r4), so a tie is seen as a tie.
    const double rounded =
        std::round(static_cast<double>(value) * static_cast<double>(pow10(decimals)));
    if (rounded >= twoTo63 || rounded <= -twoTo63)
        return QString::number(static_cast<double>(value), 'f', decimals);
    return fixedPoint(static_cast<qint64>(rounded), decimals, decimals);
}

std::optional<QString> roundedText(float r4Value, int decimals, bool divideBy10) {
    if (!std::isfinite(r4Value))
        return std::nullopt;
    if (const std::optional<qint64> units = toTenThousandths(r4Value))
        return fixedPoint(*units, divideBy10 ? 5 : 4, decimals);
    // Too large for the fixed point; such a float is a whole number anyway.
    const double value = static_cast<double>(r4Value) / (divideBy10 ? 10.0 : 1.0);
    return QString::number(value, 'f', decimals);
}

std::optional<QString> shortText(float value) {
    if (!std::isfinite(value))
        return std::nullopt;
    if (value == 0.0f)
        return QStringLiteral("0");
    return QString::number(static_cast<double>(value), 'g', 7);
}

} // namespace DecimalText
