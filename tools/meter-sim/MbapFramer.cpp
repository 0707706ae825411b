#include "MbapFramer.h"

#include "CRC16.h"

namespace {

// Transaction id, protocol id, length: what the length counts follows.
constexpr int HeaderSize = 6;
// The length counts the unit id and a PDU of 1 to 253 bytes.
constexpr int MinLength = 2;
constexpr int MaxLength = 254;

int wordAt(const QByteArray& bytes, int i) {
    return static_cast<std::uint8_t>(bytes[i]) << 8 | static_cast<std::uint8_t>(bytes[i + 1]);
}

void appendWord(QByteArray& bytes, int value) {
    bytes.append(static_cast<char>(value >> 8 & 0xFF));
    bytes.append(static_cast<char>(value & 0xFF));
}

} // namespace

std::vector<MbapRequest> MbapFramer::feed(const QByteArray& bytes) {
    std::vector<MbapRequest> requests;
    if (!m_error.isEmpty())
        return requests;
    m_buffer.append(bytes);
    while (m_buffer.size() >= HeaderSize) {
        const int protocol = wordAt(m_buffer, 2);
        const int length = wordAt(m_buffer, 4);
        if (protocol != 0)
            m_error = QStringLiteral("protocol id %1 is not Modbus").arg(protocol);
        else if (length < MinLength || length > MaxLength)
            m_error = QStringLiteral("length %1 is outside %2 to %3")
                          .arg(length)
                          .arg(MinLength)
                          .arg(MaxLength);
        if (!m_error.isEmpty()) {
            m_buffer.clear();
            break;
        }
        if (m_buffer.size() < HeaderSize + length)
            break;
        requests.push_back({static_cast<std::uint16_t>(wordAt(m_buffer, 0)),
                            withCrc(m_buffer.mid(HeaderSize, length))});
        m_buffer.remove(0, HeaderSize + length);
    }
    return requests;
}

QByteArray MbapFramer::reply(std::uint16_t transaction, const QByteArray& rtuReply,
                             int lengthShortBy) {
    // Address and CRC off; the unit id goes in the header.
    const QByteArray pdu = rtuReply.mid(1, rtuReply.size() - 3);
    QByteArray bytes;
    appendWord(bytes, transaction);
    appendWord(bytes, 0);
    appendWord(bytes, 1 + static_cast<int>(pdu.size()) - lengthShortBy);
    bytes.append(rtuReply.left(1));
    bytes.append(pdu);
    return bytes;
}
