#include "CRC16.h"

Crc16Bytes CRC16(const std::uint8_t* bytes, std::size_t size) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return {static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc & 0xFF)};
}

Crc16Bytes CRC16(const QByteArray& bytes) {
    return CRC16(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                 static_cast<std::size_t>(bytes.size()));
}

QByteArray withCrc(const QByteArray& body) {
    const Crc16Bytes crc = CRC16(body);
    QByteArray frame = body;
    frame.append(static_cast<char>(crc.low));
    frame.append(static_cast<char>(crc.high));
    return frame;
}

bool crcMatches(const QByteArray& frame) {
    if (frame.size() < 3)
        return false;
    const Crc16Bytes crc = CRC16(frame.left(frame.size() - 2));
    return static_cast<std::uint8_t>(frame.at(frame.size() - 2)) == crc.low &&
           static_cast<std::uint8_t>(frame.at(frame.size() - 1)) == crc.high;
}
