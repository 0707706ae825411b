#include "WholeNumber.h"

#include <QString>
#include <algorithm>

namespace WholeNumber {

std::optional<int> parse(QStringView text, int min, int max, Mode mode) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    const qsizetype first = i;
    // Held at one above the range, so a long run of digits cannot overflow
    // and is still seen to be too large.
    const qint64 above = qint64(max) + 1;
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(above, value * 10 + (text[i].unicode() - u'0'));
    if (i == first)
        return std::nullopt;
    if (mode == Mode::Exact) {
        if (!text.mid(i).trimmed().isEmpty() || value == above)
            return std::nullopt;
    } else {
        value = std::min<qint64>(value, max);
    }
    if (value < min)
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace WholeNumber
