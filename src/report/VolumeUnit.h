#pragma once

#include <QStringView>
#include <optional>

// The totalizer units a meter reports (RealtimeMap::totalizerUnits) as
// volumes: litre, US gallon, cubic metre, cubic foot, acre-foot ("af") and
// acre-inch ("AI"), each also with a K (thousand) or M (million) in front.
// The meter's other units (MID, KMID, MMID) have no known size.
namespace VolumeUnit {

// Cubic metres in one of the unit; none for a unit of unknown size.
std::optional<double> cubicMetres(QStringView unit);

// The value in another unit: itself when the texts are equal, converted
// when both sizes are known, otherwise none.
std::optional<double> convert(double value, QStringView from, QStringView to);

} // namespace VolumeUnit
