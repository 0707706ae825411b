#include "SimOptions.h"

#include <gtest/gtest.h>

namespace {

std::optional<SimOptions> parse(const char* line, QString* error) {
    return SimOptions::parse(QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts),
                             error);
}

TEST(SimOptions, AddressListsAndTheSilentAmongThem) {
    struct Case {
        const char* line;
        std::vector<std::uint8_t> addresses;
        std::set<std::uint8_t> silent;
    };
    const Case cases[] = {
        {"", {1}, {}},
        {"--addresses 3,1,3", {1, 3}, {}},
        {"--addresses=5-8", {5, 6, 7, 8}, {}},
        {"--addresses 1-3,10,254-255", {1, 2, 3, 10, 254, 255}, {}},
        // --silent is checked against --addresses wherever it stands.
        {"--silent 2,4 --addresses 1-4", {1, 2, 3, 4}, {2, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        QString error;
        const auto options = parse(c.line, &error);
        ASSERT_TRUE(options) << error.toStdString();
        EXPECT_EQ(options->addresses, c.addresses);
        EXPECT_EQ(options->silent, c.silent);
    }
}

} // namespace
