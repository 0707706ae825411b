#include "DecimalEntry.h"

#include <QString>
#include <cstdint>
#include <limits>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

namespace DecimalEntry {

std::optional<qint64> parseFixedPoint(QStringView text) {
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }

    constexpr std::uint64_t limit = std::numeric_limits<qint64>::max();
    std::uint64_t whole = 0;
    std::uint64_t fraction = 0; // ten-thousandths
    int digits = 0;
    int fractionDigits = -1; // -1: no point yet
    int roundingDigit = 0;   // the fifth decimal
    bool beyondRounding = false;
    for (const QChar c : text) {
        if (c == u'.') {
            if (fractionDigits >= 0)
                return std::nullopt;
            fractionDigits = 0;
            continue;
        }
        if (!isDigit(c))
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        ++digits;
        if (fractionDigits < 0) {
            if (whole > (limit / 10000 - static_cast<std::uint64_t>(digit)) / 10)
                return std::nullopt;
            whole = whole * 10 + static_cast<std::uint64_t>(digit);
        } else if (fractionDigits < 4) {
            static constexpr std::uint64_t places[] = {1000, 100, 10, 1};
            fraction += static_cast<std::uint64_t>(digit) * places[fractionDigits++];
        } else if (fractionDigits == 4) {
            roundingDigit = digit;
            ++fractionDigits;
        } else if (digit != 0) {
            beyondRounding = true;
        }
    }
    if (digits == 0)
        return std::nullopt;

    std::uint64_t units = whole * 10000 + fraction;
    const bool tie = roundingDigit == 5 && !beyondRounding;
    if (roundingDigit > 5 || (roundingDigit == 5 && !tie) || (tie && units % 2 != 0))
        ++units;
    if (units > limit)
        return std::nullopt;
    const auto value = static_cast<qint64>(units);
    return negative ? -value : value;
}

std::optional<double> scanLeadingNumber(QStringView text) {
    QString number;
    bool point = false;
    bool digit = false;
    for (const QChar c : text) {
        if (isBlank(c))
            continue;
        if (isDigit(c)) {
            digit = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else if ((c == u'-' || c == u'+') && number.isEmpty()) {
            // a sign only in front
        } else {
            break;
        }
        number += c;
    }
    if (!digit)
        return std::nullopt;
    return number.toDouble(); // C locale: '.' is the point
}

} // namespace DecimalEntry
