#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Numbers as the meter windows and the readings table show them. Texts always
// use '.' as the separator, whatever the locale, so stored readings compare
// and sort the same on every machine.
//
// Two rounding rules meet here: turning a value into four decimals (r4, the
// fixed-point count of ten-thousandths) rounds a tie to the even neighbour,
// as the write encoder does with whole numbers; the display patterns "0.00"
// and "0.000" round a tie away from zero.
namespace DecimalText {

// A float rounded to four decimal places, kept in single precision.
// NaN and infinities pass through unchanged.
float r4(float value);

// The value as a count of ten-thousandths, a tie going to the even neighbour;
// nullopt for NaN, infinities and values beyond the qint64 range.
std::optional<qint64> toTenThousandths(double value);

// `units` counts steps of 10^-unitDecimals; shown with `decimals` places
// (decimals <= unitDecimals <= 18), at least one digit before the point.
QString fixedPoint(qint64 units, int unitDecimals, int decimals);

// "0.00" (decimals 2) or "0.000" (decimals 3) of a float taken exactly as it
// is; nullopt for NaN and infinities.
std::optional<QString> decimalText(float value, int decimals);

// The same for a value that went through r4: rounded from its four-decimal
// value, so r4(0.005) shows "0.01" although the float is a hair below 0.005.
// `divideBy10` shows a tenth of the value (the transducer factor).
std::optional<QString> roundedText(float r4Value, int decimals, bool divideBy10 = false);

// Shortest text of a float with at most seven significant digits and no
// trailing zeros ("50", "0.1235", "12.5"); nullopt for NaN and infinities.
std::optional<QString> shortText(float value);

} // namespace DecimalText
