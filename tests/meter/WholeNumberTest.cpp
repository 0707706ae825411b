#include "WholeNumber.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

using WholeNumber::Mode;

TEST(WholeNumber, RangeAndMode) {
    const std::optional<int> none;
    const std::tuple<const char*, int, int, Mode, std::optional<int>> cases[] = {
        // A meter address from a box: the whole text, 1 to 255.
        {"5", 1, 255, Mode::Exact, 5},
        {" 255\t", 1, 255, Mode::Exact, 255},
        {"007", 1, 255, Mode::Exact, 7},
        {"0", 1, 255, Mode::Exact, none},
        {"256", 1, 255, Mode::Exact, none},
        {"99999999999999999999", 1, 255, Mode::Exact, none},
        {"", 0, 255, Mode::Exact, none},
        {"  ", 0, 255, Mode::Exact, none},
        {"+5", 0, 255, Mode::Exact, none},
        {"-1", 0, 255, Mode::Exact, none},
        {"1 2", 0, 255, Mode::Exact, none},
        {"3 or 1=1", 0, 255, Mode::Exact, none},
        {"1a", 0, 32767, Mode::Exact, none},
        {"\u0661", 0, 9, Mode::Exact, none}, // a digit of another script
        // The record interval box: the number it begins with, held at the top.
        {"  12min", 0, 2147483647, Mode::Prefix, 12},
        {"99999999999999999999", 0, 2147483647, Mode::Prefix, 2147483647},
        {"abc", 0, 2147483647, Mode::Prefix, none},
        {"-3", 0, 2147483647, Mode::Prefix, none},
        {"", 0, 2147483647, Mode::Prefix, none},
    };
    for (const auto& [text, min, max, mode, value] : cases)
        EXPECT_EQ(WholeNumber::parse(QString::fromUtf8(text), min, max, mode), value)
            << text << " in " << min << ".." << max;
}

} // namespace
