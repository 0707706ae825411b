#include "LocalTimeText.h"

#include "StoredTime.h"

#include <cstdlib>

LocalTimeText::LocalTimeText(std::optional<QTimeZone> zone) : m_offsets(std::move(zone)) {}

bool LocalTimeText::append(std::string_view stored, std::string& out) {
    const std::optional<qint64> clock = StoredTime::clockSeconds(stored);
    if (!clock)
        return false;
    // Offsets stay within a day, so the hours take two digits.
    const int offset = m_offsets.at(*clock);
    const int minutes = std::abs(offset) / 60 % (24 * 60);
    const char sign[] = {offset < 0 ? '-' : '+',        char('0' + minutes / 600),
                         char('0' + minutes / 60 % 10), ':',
                         char('0' + minutes % 60 / 10), char('0' + minutes % 10)};
    out.append(stored.substr(0, 10));
    out.push_back('T');
    out.append(stored.substr(11, 8));
    out.append(sign, sizeof sign);
    return true;
}
