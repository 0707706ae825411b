#pragma once

#include <QStringView>
#include <cstdint>
#include <optional>

namespace MeterAddress {

// The address byte of a window's meter address text: a whole number 0 to
// 255, blanks around it allowed; nullopt for anything else, so that no
// request goes out to a meter nobody chose.
inline std::optional<std::uint8_t> fromText(QStringView text) {
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

} // namespace MeterAddress
