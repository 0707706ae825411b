#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <optional>

// Complete write requests, CRC included, as the parameter windows' senders
// put them on the line. Values are fixed point (ten-thousandths).
namespace WriteRequests {

// Function 6 with the value as a 16-bit integer (what `s16` sends).
QByteArray s16Request(std::uint8_t address, std::uint8_t reg, qint64 tenThousandths);

// Function 16, two registers, the value as a float (`f32`) or a 32-bit
// integer (`l32`).
QByteArray f32Request(std::uint8_t address, std::uint8_t reg, qint64 tenThousandths);
QByteArray l32Request(std::uint8_t address, std::uint8_t reg, qint64 tenThousandths);

// The ten data bytes of a serial text: last character first, so that the
// meter's read-back (shown last byte first) reads the same. nullopt unless
// the text has exactly 10 characters, all within Latin-1.
std::optional<QByteArray> ascWriteData(const QString& text);

// Function 16, five registers, carrying ascWriteData(text) (what `AscWrite`
// sends); nullopt when the text cannot be laid out.
std::optional<QByteArray> ascWriteRequest(std::uint8_t address, std::uint8_t reg,
                                          const QString& text);

} // namespace WriteRequests
