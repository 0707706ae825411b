#include "WebSettings.h"

#include <gtest/gtest.h>

TEST(WebSettings, AddressAndPortAsTyped) {
    const struct {
        const char* text;
        const char* address; // nullptr: refused
        int port;
    } cases[] = {
        {"127.0.0.1:8080", "127.0.0.1", 8080},
        {"0.0.0.0:9100", "0.0.0.0", 9100},
        {"[::1]:8080", "::1", 8080},
        {":8080", "127.0.0.1", 8080},
        {" 8080 ", "127.0.0.1", 8080},
        {"::1:8080", nullptr, 0},    // IPv6 without brackets
        {"127.0.0.1:0", nullptr, 0}, // no port
        {"127.0.0.1:65536", nullptr, 0},
        {"127.0.0.1:80x", nullptr, 0},
        {"pumphouse:8080", nullptr, 0}, // a name, not an address
        {"", nullptr, 0},
    };
    for (const auto& c : cases) {
        QString error;
        const auto settings = WebSettings::parse(QString::fromUtf8(c.text), &error);
        ASSERT_EQ(settings.has_value(), c.address != nullptr) << c.text;
        if (!settings) {
            EXPECT_FALSE(error.isEmpty()) << c.text;
            continue;
        }
        EXPECT_EQ(settings->address, QHostAddress(QString::fromUtf8(c.address))) << c.text;
        EXPECT_EQ(settings->port, c.port) << c.text;
    }
}
