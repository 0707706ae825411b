#include "Frames.h"

#include "CRC16.h"

namespace {

// Address, function code, then 16-bit fields (the first register first),
// each high byte first.
QByteArray request(std::uint8_t address, char function,
                   std::initializer_list<std::uint16_t> fields) {
    QByteArray bytes;
    bytes.append(static_cast<char>(address)).append(function);
    for (const std::uint16_t field : fields)
        bytes.append(static_cast<char>(field >> 8)).append(static_cast<char>(field & 0xFF));
    return bytes;
}

} // namespace

namespace Frames {

QByteArray readRequest(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count) {
    return withCrc(request(address, 3, {firstRegister, count}));
}

QByteArray readRequest(std::uint8_t address, ReplyKind kind) {
    const ReplyLayout& layout = layoutOf(kind);
    return readRequest(address, layout.firstRegister, layout.registerCount);
}

QByteArray writeSingleRequest(std::uint8_t address, std::uint8_t reg, std::uint16_t value) {
    return withCrc(request(address, 6, {reg, value}));
}

QByteArray writeMultipleRequest(std::uint8_t address, std::uint8_t reg, const QByteArray& data) {
    const auto registers = static_cast<std::uint16_t>(data.size() / 2);
    QByteArray body = request(address, 16, {reg, registers});
    body.append(static_cast<char>(data.size()));
    body.append(data);
    return withCrc(body);
}

int replyLength(const QByteArray& request) {
    if (request.size() < 6)
        return 0;
    switch (static_cast<std::uint8_t>(request[1])) {
    case 3:
        return 5 + 2 * (static_cast<std::uint8_t>(request[4]) << 8 |
                        static_cast<std::uint8_t>(request[5]));
    case 6:
    case 16:
        return 8;
    default:
        return 0;
    }
}

} // namespace Frames
