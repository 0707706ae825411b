#pragma once

#include <QString>
#include <limits>
#include <optional>

// The value of a text made of decimal digits only (blanks around it are
// allowed); nullopt for the empty text, signs, letters and anything above
// `max`. The digits-only boxes keep letters out while typing, but a text
// can still reach a box by other means.
std::optional<int> wholeNumber(const QString& text, int max = std::numeric_limits<int>::max());
