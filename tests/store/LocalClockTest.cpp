#include "LocalClock.h"

#include <QDateTime>
#include <ctime>
#include <gtest/gtest.h>

namespace {

// Each instant as Qt's own local time gives it, also across an offset change seen by one clock.
TEST(LocalClock, GivesTheLocalTimeAcrossOffsetChanges) {
    const std::vector<std::pair<const char*, std::vector<const char*>>> zones{
        // Central Europe: summer time from 01:00 UTC on 29 March and 25 October 2026.
        {"CET-1CEST,M3.5.0,M10.5.0/3",
         {"2026-03-29T00:59:00.000Z", "2026-03-29T00:59:59.999Z", "2026-03-29T01:00:00.000Z",
          "2026-03-29T01:00:59.999Z", "2026-10-25T00:59:59.999Z", "2026-10-25T01:00:00.000Z",
          "2026-10-25T00:30:00.000Z", "2026-12-07T12:00:00.000Z"}},
        // West of Greenwich, and before 1970.
        {"EST5EDT,M3.2.0,M11.1.0",
         {"1969-12-31T23:59:59.999Z", "1970-01-01T00:00:00.000Z", "2026-03-08T06:59:59.000Z",
          "2026-03-08T07:00:00.000Z"}},
    };
    const QByteArray before = qgetenv("TZ");
    const bool had = qEnvironmentVariableIsSet("TZ");
    for (const auto& [tz, instants] : zones) {
        qputenv("TZ", tz);
        tzset();
        LocalClock clock;
        const auto shown = [](const QDateTime& t) {
            return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) +
                   QString::number(t.offsetFromUtc());
        };
        for (const char* instant : instants) {
            const qint64 ms = QDateTime::fromString(QString::fromLatin1(instant), Qt::ISODateWithMs)
                                  .toMSecsSinceEpoch();
            EXPECT_EQ(shown(clock.at(ms)), shown(QDateTime::fromMSecsSinceEpoch(ms)))
                << tz << " at " << instant;
        }
    }
    had ? qputenv("TZ", before) : qunsetenv("TZ"); // the process's zone back
    tzset();
}

} // namespace
