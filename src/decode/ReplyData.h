#pragma once

#include "ReplyKind.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// The frame of a read reply that passed the length and CRC checks, with
// big-endian readers for its data part (offsets count from the first data
// byte, i.e. frame byte 3).
class ReplyData {
public:
    // nullopt when the text is not exactly the reply length of `kind`, holds a
    // non-hex digit, or its CRC does not match. Address and function code are
    // not checked: the byte count and length already chose the decoder.
    static std::optional<ReplyData> fromHex(QStringView hexText, ReplyKind kind);

    int address() const { return static_cast<std::uint8_t>(m_frame.at(0)); }

    std::uint8_t u8(int offset) const;
    std::uint16_t u16(int offset) const;
    std::uint32_t u32(int offset) const;
    float float32(int offset) const;
    // Ten bytes shown from the last to the first, each as its Latin-1 character.
    QString text10(int offset) const;

private:
    explicit ReplyData(QByteArray frame) : m_frame(std::move(frame)) {}

    QByteArray m_frame;
};
