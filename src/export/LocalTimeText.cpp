#include "LocalTimeText.h"

#include "StoredTime.h"

#include <cstdlib>

namespace {

constexpr std::size_t HourLength = 13; // "yyyy-MM-dd HH"

} // namespace

LocalTimeText::LocalTimeText(std::optional<QTimeZone> zone) : m_zone(std::move(zone)) {}

QByteArray LocalTimeText::offsetText(const QDate& date, const QTime& time) const {
    const QDateTime local =
        m_zone ? QDateTime(date, time, *m_zone) : QDateTime(date, time, Qt::LocalTime);
    const int offset = local.offsetFromUtc();
    // Offsets stay within a day, so the hours take two digits.
    const int minutes = std::abs(offset) / 60 % (24 * 60);
    const char text[] = {offset < 0 ? '-' : '+',        char('0' + minutes / 600),
                         char('0' + minutes / 60 % 10), ':',
                         char('0' + minutes % 60 / 10), char('0' + minutes % 10)};
    return QByteArray(text, sizeof text);
}

bool LocalTimeText::append(std::string_view stored, std::string& out) {
    const std::optional<qint64> clock = StoredTime::clockSeconds(stored);
    if (!clock)
        return false;
    const std::string_view hour = stored.substr(0, HourLength);
    QByteArray offset;
    if (hour == m_hour && !m_hourOffset.isEmpty()) {
        offset = m_hourOffset;
    } else {
        const QDateTime start = StoredTime::localTime(*clock / 3600 * 3600);
        const QByteArray first = offsetText(start.date(), start.time());
        const QByteArray last = offsetText(start.date(), start.time().addSecs(3599));
        m_hour.assign(hour);
        // Offsets change on the hour in practice; an hour whose two ends
        // differ is looked up row by row.
        m_hourOffset = first == last ? first : QByteArray();
        if (first == last) {
            offset = first;
        } else {
            const QDateTime at = StoredTime::localTime(*clock);
            offset = offsetText(at.date(), at.time());
        }
    }
    out.append(stored.substr(0, 10));
    out.push_back('T');
    out.append(stored.substr(11, 8));
    out.append(offset.constData(), std::size_t(offset.size()));
    return true;
}
