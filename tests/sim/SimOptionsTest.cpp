#include "SimOptions.h"

#include <gtest/gtest.h>

namespace {

std::optional<SimOptions> parse(const char* line, QString* error) {
    return SimOptions::parse(QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts),
                             error);
}

TEST(SimOptions, AddressLists) {
    struct Case {
        const char* line;
        std::vector<std::uint8_t> addresses;
    };
    const Case cases[] = {
        {"", {1}},
        {"--addresses 3,1,3", {1, 3}},
        {"--addresses=5-8", {5, 6, 7, 8}},
        {"--addresses 1-3,10,254-255", {1, 2, 3, 10, 254, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        QString error;
        const auto options = parse(c.line, &error);
        ASSERT_TRUE(options) << error.toStdString();
        EXPECT_EQ(options->addresses, c.addresses);
    }
}

TEST(SimOptions, TakesEveryOption) {
    QString error;
    const auto options = parse("--silent 2,4 --addresses 1-4 --link /tmp/p/com1 --baud 115200 "
                               "--turnaround 12 --corrupt-crc 0.25 --split --stray=1 --seed 42 "
                               "--log /tmp/p/log",
                               &error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->silent, (std::set<std::uint8_t>{2, 4}));
    EXPECT_EQ(options->linkPath, QStringLiteral("/tmp/p/com1"));
    EXPECT_EQ(options->baud, 115200);
    EXPECT_EQ(options->turnaroundMs, 12);
    EXPECT_DOUBLE_EQ(options->corruptCrc, 0.25);
    EXPECT_TRUE(options->split);
    EXPECT_DOUBLE_EQ(options->stray, 1.0);
    EXPECT_TRUE(options->seedGiven);
    EXPECT_EQ(options->seed, 42u);
    EXPECT_EQ(options->logPath, QStringLiteral("/tmp/p/log"));
}

TEST(SimOptions, RejectsBadValues) {
    for (const char* line :
         {"--addresses 0", "--addresses 256", "--addresses 5-2", "--addresses 1,,2",
          "--addresses 1-2-3", "--addresses -3", "--addresses", "--baud 0", "--baud fast",
          "--turnaround -1", "--corrupt-crc 1.5", "--stray -0.1", "--seed -1", "--silent 3",
          "--split=yes", "--speed 9600", "com1", "--link="}) {
        SCOPED_TRACE(line);
        QString error;
        EXPECT_FALSE(parse(line, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
