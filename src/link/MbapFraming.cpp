#include "MbapFraming.h"

#include "CRC16.h"

namespace {

std::uint16_t word(const QByteArray& bytes, int at) {
    return std::uint16_t(std::uint8_t(bytes.at(at)) << 8 | std::uint8_t(bytes.at(at + 1)));
}

void appendWord(QByteArray& bytes, std::uint16_t value) {
    bytes.append(char(value >> 8));
    bytes.append(char(value & 0xFF));
}

// Whether a PDU's own counts agree with its length: a read reply carries
// its byte count, a write reply and an exception have fixed lengths.
bool pduLengthFits(const QByteArray& pdu) {
    const auto function = std::uint8_t(pdu.at(0));
    if (function & 0x80)
        return pdu.size() == 2;
    switch (function) {
    case 3:
    case 4:
        return pdu.size() >= 2 && pdu.size() == 2 + std::uint8_t(pdu.at(1));
    case 6:
    case 16:
        return pdu.size() == 5;
    default:
        return true;
    }
}

} // namespace

QByteArray MbapFraming::wrap(const QByteArray& rtuRequest) {
    // Address, function and CRC at least.
    if (rtuRequest.size() < 4)
        return {};
    const QByteArray unitAndPdu = rtuRequest.chopped(2);
    ++m_transaction;
    m_awaitedUnit = std::uint8_t(unitAndPdu.at(0));
    QByteArray frame;
    frame.reserve(6 + unitAndPdu.size());
    appendWord(frame, m_transaction);
    appendWord(frame, 0);
    appendWord(frame, std::uint16_t(unitAndPdu.size()));
    frame.append(unitAndPdu);
    return frame;
}

bool MbapFraming::headerCanBeOne() const {
    const int length = word(m_buffer, 4);
    // A unit id and a function code at least.
    return word(m_buffer, 2) == 0 && length >= 2 && length <= LongestLength;
}

MbapFraming::Received MbapFraming::receive(const QByteArray& bytes) {
    Received received;
    m_buffer.append(bytes);
    while (m_buffer.size() >= HeaderSize) {
        if (!headerCanBeOne()) {
            // Out of step: what is here cannot be cut into replies. Counted
            // once for the run of such bytes.
            if (!m_outOfStep)
                ++received.garbled;
            m_outOfStep = true;
            m_buffer.clear();
            break;
        }
        const int size = 6 + word(m_buffer, 4);
        if (m_buffer.size() < size)
            break;
        const QByteArray frame = m_buffer.first(size);
        m_buffer.remove(0, size);
        m_outOfStep = false;
        const QByteArray unitAndPdu = frame.sliced(6);
        const QByteArray pdu = unitAndPdu.sliced(1);
        if (word(frame, 0) != m_transaction || std::uint8_t(unitAndPdu.at(0)) != m_awaitedUnit) {
            ++received.stale;
        } else if (!pduLengthFits(pdu)) {
            // The length field and the reply disagree: what follows is the
            // rest of it, not the start of another, until a header can be
            // one again.
            ++received.garbled;
            m_outOfStep = true;
            m_buffer.clear();
        } else if (std::uint8_t(pdu.at(0)) & 0x80) {
            received.exceptions << std::uint8_t(pdu.at(1));
            m_awaitedUnit = -1;
        } else {
            received.frames.append(withCrc(unitAndPdu));
            // Answered: a second reply with the same id is stale.
            m_awaitedUnit = -1;
        }
    }
    // A length field promising more than a reply holds was refused above,
    // so the buffer never grows past one reply.
    Q_ASSERT(m_buffer.size() <= Capacity);
    return received;
}

void MbapFraming::clear() {
    m_buffer.clear();
    m_outOfStep = false;
}
