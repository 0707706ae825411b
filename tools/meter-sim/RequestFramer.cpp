#include "RequestFramer.h"

#include "CRC16.h"

namespace {

// Nothing longer is a valid RTU frame.
constexpr int MaxFrame = 256;

constexpr int Unknown = -1;
constexpr int NeedMore = 0;

// Length of the frame at the head of `buffer` from its function code.
int expectedLength(const QByteArray& buffer) {
    if (buffer.size() < 2)
        return NeedMore;
    switch (static_cast<std::uint8_t>(buffer[1])) {
    case 3:
    case 6:
        return 8;
    case 16:
        return buffer.size() < 7 ? NeedMore : 9 + static_cast<std::uint8_t>(buffer[6]);
    default:
        return Unknown;
    }
}

} // namespace

std::vector<QByteArray> RequestFramer::feed(const QByteArray& bytes) {
    std::vector<QByteArray> frames;
    if (m_discarding)
        return frames;
    m_buffer.append(bytes);
    while (!m_buffer.isEmpty()) {
        const int length = expectedLength(m_buffer);
        if (length == Unknown || length == NeedMore)
            break;
        // A byte count that makes the frame longer than any RTU frame is a
        // garble now, not only once enough bytes have piled up: otherwise
        // whether such a frame were taken would hang on how reads split it.
        if (length > MaxFrame) {
            m_buffer.clear();
            m_discarding = true;
            break;
        }
        if (m_buffer.size() < length)
            break;
        const QByteArray frame = m_buffer.left(length);
        if (!crcMatches(frame)) {
            m_buffer.clear();
            m_discarding = true;
            break;
        }
        frames.push_back(frame);
        m_buffer.remove(0, length);
    }
    if (m_buffer.size() > MaxFrame) {
        m_buffer.clear();
        m_discarding = true;
    }
    return frames;
}

std::optional<QByteArray> RequestFramer::silence() {
    const QByteArray frame = m_buffer;
    m_buffer.clear();
    m_discarding = false;
    if (frame.size() < 4 || !crcMatches(frame))
        return std::nullopt;
    return frame;
}
