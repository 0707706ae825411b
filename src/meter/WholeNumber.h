#pragma once

#include <QStringView>
#include <limits>
#include <optional>

// Whole numbers written as decimal digits: meter addresses, periods,
// intervals and codes typed into a box or kept in the settings row.
namespace WholeNumber {

enum class Mode {
    // The whole text is the number, blanks around it allowed; an empty
    // text, a sign, a letter or a value outside the range is none.
    Exact,
    // The digits the text begins with, blanks before them skipped, up to
    // the first other character; a value above the range reads as its top.
    Prefix,
};

std::optional<int> parse(QStringView text, int min = 0, int max = std::numeric_limits<int>::max(),
                         Mode mode = Mode::Exact);

} // namespace WholeNumber
