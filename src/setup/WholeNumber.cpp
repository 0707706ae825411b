#include "WholeNumber.h"

std::optional<int> wholeNumber(const QString& text, int max) {
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > max)
            return std::nullopt;
    }
    return static_cast<int>(value);
}
