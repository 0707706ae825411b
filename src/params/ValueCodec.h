#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

// Register type keys, compared exactly; callers pass one of these.
namespace RegisterType {
inline constexpr char16_t int16[] = u"16位整数";
inline constexpr char16_t int32[] = u"32位整数";
inline constexpr char16_t int64[] = u"64位整数";
inline constexpr char16_t float32[] = u"32位浮点数";
} // namespace RegisterType

// The big-endian bytes of a fixed-point value (a count of ten-thousandths)
// in the register type `typeName`: 2, 4, 8 or 4 bytes, or none for an unknown
// key. Integers out of range, negatives included, go out as the type's
// maximum; a half rounds to the even neighbour. Floats are not limited.
QByteArray ValueToBytes(qint64 tenThousandths, QStringView typeName);

// Two upper-case hex digits.
QString ByteToHex(quint8 byte);
