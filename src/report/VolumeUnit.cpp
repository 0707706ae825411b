#include "VolumeUnit.h"

#include <array>
#include <utility>

namespace VolumeUnit {

namespace {

// Exact by definition: the US gallon is 231 cubic inches, the foot 0.3048 m,
// the acre-foot 43560 cubic feet and the acre-inch a twelfth of it.
constexpr std::array<std::pair<const char16_t*, double>, 6> baseUnits{{
    {u"l", 0.001},
    {u"gal", 0.003785411784},
    {u"m3", 1.0},
    {u"ft3", 0.028316846592},
    {u"af", 1233.48183754752},
    {u"AI", 102.79015312896},
}};

std::optional<double> baseSize(QStringView unit) {
    for (const auto& [text, size] : baseUnits)
        if (unit == QStringView(text))
            return size;
    return std::nullopt;
}

} // namespace

std::optional<double> cubicMetres(QStringView unit) {
    if (const auto size = baseSize(unit))
        return size;
    // Case matters: "Ml" is a million litres, "ml" is nothing the meter says.
    if (unit.size() > 1 && (unit.front() == u'K' || unit.front() == u'M'))
        if (const auto size = baseSize(unit.mid(1)))
            return *size * (unit.front() == u'K' ? 1e3 : 1e6);
    return std::nullopt;
}

std::optional<double> convert(double value, QStringView from, QStringView to) {
    if (from == to)
        return value;
    const auto fromSize = cubicMetres(from);
    const auto toSize = cubicMetres(to);
    if (!fromSize || !toSize)
        return std::nullopt;
    return value * *fromSize / *toSize;
}

} // namespace VolumeUnit
