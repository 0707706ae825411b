#include "StoredTime.h"

#include <cstdio>

namespace {

constexpr qint64 SecondsPerDay = 86400;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
constexpr qint64 daysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = int(year - era * 400);
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}
static_assert(daysFromCivil(1970, 1, 1) == 0);
static_assert(daysFromCivil(2000, 3, 1) == 11017);

int digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

constexpr bool isLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

} // namespace

namespace StoredTime {

std::optional<qint64> clockSeconds(std::string_view text) {
    if (text.size() != Length || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return daysFromCivil(year, month, day) * SecondsPerDay + hour * 3600 + minute * 60 + second;
}

QDateTime localTime(qint64 clockSeconds) {
    // The clock count read back as a date and time in UTC is the local one.
    const QDateTime clock = QDateTime::fromSecsSinceEpoch(clockSeconds, Qt::UTC);
    return QDateTime(clock.date(), clock.time(), Qt::LocalTime);
}

QString text(const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    char text[32];
    const int size =
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(),
                      date.day(), clock.hour(), clock.minute(), clock.second());
    return QString::fromLatin1(text, size);
}

} // namespace StoredTime
