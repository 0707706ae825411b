#pragma once

#include <QStringView>
#include <QtGlobal>
#include <optional>

// Numbers typed into the parameter fields. Only '.' is a decimal point, so a
// value means the same on every machine.
namespace DecimalEntry {

// A plain decimal number ("12", "-0.5", "+3.", ".25", blanks around it) as a
// count of ten-thousandths, rounded to four decimals with a half going to the
// even neighbour. nullopt for anything else: empty text, letters, exponents,
// grouping, a second point, or a value beyond qint64.
std::optional<qint64> parseFixedPoint(QStringView text);

// The number a text begins with: blanks anywhere are skipped, then an
// optional sign, digits and one decimal point up to the first other
// character ("12.5abc" gives 12.5, "1 2" gives 12). nullopt when no digit
// comes first ("abc", "", "-", "."), so the caller can refuse the text
// instead of reading it as 0.
std::optional<double> scanLeadingNumber(QStringView text);

} // namespace DecimalEntry
