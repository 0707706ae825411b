#include "UtcOffsets.h"

#include "StoredTime.h"

#include <limits>

namespace {

constexpr qint64 SecondsPerDay = 86400;

qint64 dayOf(qint64 clock) {
    return clock >= 0 ? clock / SecondsPerDay : (clock - SecondsPerDay + 1) / SecondsPerDay;
}

} // namespace

UtcOffsets::UtcOffsets(std::optional<QTimeZone> zone)
    : m_zone(std::move(zone)), m_day(std::numeric_limits<qint64>::min()) {}

int UtcOffsets::lookUp(qint64 clock) const {
    const QDateTime local = StoredTime::localTime(clock);
    if (!m_zone)
        return local.offsetFromUtc();
    return QDateTime(local.date(), local.time(), *m_zone).offsetFromUtc();
}

int UtcOffsets::at(qint64 clock) {
    const qint64 day = dayOf(clock);
    if (day != m_day) {
        m_day = day;
        const int first = lookUp(day * SecondsPerDay);
        const int last = lookUp(day * SecondsPerDay + SecondsPerDay - 1);
        m_dayOffset = first == last ? std::optional<int>(first) : std::nullopt;
    }
    return m_dayOffset ? *m_dayOffset : lookUp(clock);
}
