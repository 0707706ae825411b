#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Received bytes are kept as text, two upper-case hex digits a byte.
namespace HexText {

QString fromBytes(const QByteArray& bytes);

// The bytes of a hex text; nullopt for an odd length or a non-hex digit.
std::optional<QByteArray> toBytes(QStringView text);

// The byte at characters 2i+1 and 2i+2 (counted from 1); -1 when it is not there.
int byteAt(QStringView text, int index);

} // namespace HexText
