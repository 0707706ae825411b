#pragma once

#include <QByteArray>
#include <cstdint>

// Modbus CRC-16 of a frame: start 0xFFFF, reflected polynomial 0xA001,
// no final inversion. On the line the low byte goes first.
struct Crc16Bytes {
    std::uint8_t high = 0xFF;
    std::uint8_t low = 0xFF;
};

Crc16Bytes CRC16(const QByteArray& bytes);
Crc16Bytes CRC16(const std::uint8_t* bytes, std::size_t size);

// The frame with its CRC appended, low byte first.
QByteArray withCrc(const QByteArray& body);

// True when the last two bytes are the CRC of the bytes before them.
bool crcMatches(const QByteArray& frame);
