#pragma once

#include "CRC16.h"
#include "HexText.h"

#include <QByteArray>
#include <QString>
#include <bit>
#include <cstdint>
#include <initializer_list>

// Register contents, big-endian as the meter sends them.
inline QByteArray u16(std::uint16_t v) {
    return QByteArray(1, char(v >> 8)) + char(v & 0xFF);
}
inline QByteArray u32(std::uint32_t v) {
    return u16(std::uint16_t(v >> 16)) + u16(std::uint16_t(v));
}
inline QByteArray f32(float v) {
    return u32(std::bit_cast<std::uint32_t>(v));
}

struct Put {
    int offset; // data offset
    QByteArray bytes;
};

// A read reply frame, CRC included, of `dataBytes` zero bytes with `puts` laid over them.
inline QByteArray replyFrame(int dataBytes, std::initializer_list<Put> puts, int address = 1) {
    QByteArray frame = QByteArray(1, char(address)) + char(3) + char(dataBytes);
    frame += QByteArray(dataBytes, '\0');
    for (const Put& put : puts)
        frame.replace(3 + put.offset, put.bytes.size(), put.bytes);
    return withCrc(frame);
}

// The same as the hex text the receive path hands to the decoders.
inline QString reply(int dataBytes, std::initializer_list<Put> puts, int address = 1) {
    return HexText::fromBytes(replyFrame(dataBytes, puts, address));
}
