#pragma once

#include "ReplyKind.h"

#include <QByteArray>
#include <cstdint>

// Request frames as the tool puts them on the line, CRC included.
namespace Frames {

// Function 3: read `count` holding registers from `firstRegister`.
QByteArray readRequest(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count);

// The read request that asks for one reply kind.
QByteArray readRequest(std::uint8_t address, ReplyKind kind);

// Function 6: one register, value high byte first.
QByteArray writeSingleRequest(std::uint8_t address, std::uint8_t reg, std::uint16_t value);

// Function 16: data.size()/2 registers from `reg`; data holds whole registers.
QByteArray writeMultipleRequest(std::uint8_t address, std::uint8_t reg, const QByteArray& data);

// The length of the answer a meter gives to a request: a read's registers
// and five bytes around them, eight bytes for a write; 0 for anything else.
int replyLength(const QByteArray& request);

} // namespace Frames
