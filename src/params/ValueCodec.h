#pragma once

#include <QByteArray>
#include <QtGlobal>

// How a value to write is laid out in the meter's registers.
enum class RegisterType {
    Int16,   // one register, 0 to 32767
    Int32,   // two registers, 0 to 2147483647, high register first
    Float32, // two registers, IEEE-754 single precision
};

// The big-endian bytes of a fixed-point value (a count of ten-thousandths)
// as `type`: 2 or 4 bytes. Integers out of range, negatives included, go
// out as the type's maximum; a half rounds to the even neighbour. Floats
// are not limited.
QByteArray ValueToBytes(qint64 tenThousandths, RegisterType type);
