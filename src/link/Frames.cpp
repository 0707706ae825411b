#include "Frames.h"

#include "CRC16.h"

namespace {

char hi(std::uint16_t v) {
    return static_cast<char>(v >> 8);
}
char lo(std::uint16_t v) {
    return static_cast<char>(v & 0xFF);
}

} // namespace

namespace Frames {

QByteArray readRequest(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count) {
    QByteArray head;
    head.append(static_cast<char>(address));
    head.append(char(3));
    head.append(hi(firstRegister));
    head.append(lo(firstRegister));
    head.append(hi(count));
    head.append(lo(count));
    return withCrc(head);
}

QByteArray readRequest(std::uint8_t address, ReplyKind kind) {
    const ReplyLayout& layout = layoutOf(kind);
    return readRequest(address, layout.firstRegister, layout.registerCount);
}

QByteArray writeSingleRequest(std::uint8_t address, std::uint8_t reg, std::uint16_t value) {
    QByteArray head;
    head.append(static_cast<char>(address));
    head.append(char(6));
    head.append(char(0));
    head.append(static_cast<char>(reg));
    head.append(hi(value));
    head.append(lo(value));
    return withCrc(head);
}

QByteArray writeMultipleRequest(std::uint8_t address, std::uint8_t reg, const QByteArray& data) {
    const auto registers = static_cast<std::uint16_t>(data.size() / 2);
    QByteArray head;
    head.append(static_cast<char>(address));
    head.append(char(16));
    head.append(char(0));
    head.append(static_cast<char>(reg));
    head.append(hi(registers));
    head.append(lo(registers));
    head.append(static_cast<char>(data.size()));
    head.append(data);
    return withCrc(head);
}

} // namespace Frames
