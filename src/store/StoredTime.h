#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <string_view>

// The store's time text, local time written "yyyy-MM-dd HH:mm:ss", read
// without the locale-aware parser: the exports and the trend read it for
// every one of millions of rows.
namespace StoredTime {

inline constexpr std::size_t Length = 19;

// Seconds from 1970-01-01 00:00:00 to the text's date and time, both read
// as the same clock (no time zone applied): a count that orders and spaces
// stored times as their texts do. nullopt for anything but a stored time.
std::optional<qint64> clockSeconds(std::string_view text);

// The local date and time a clock count stands for.
QDateTime localTime(qint64 clockSeconds);

// The text of a local date and time, as the store keeps it. Runs for
// every stored reply: plain digits, without the locale-aware formatter.
QString text(const QDateTime& time);

} // namespace StoredTime
