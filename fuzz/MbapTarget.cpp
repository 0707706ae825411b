// Fuzz target for the Modbus TCP receive path: whatever a gateway, or
// anything posing as one, sends back, in whatever pieces, between the
// line's requests.
//
// The first byte picks the road: any bytes, or replies as a gateway frames
// them, some to earlier requests.

#include "CRC16.h"
#include "Frames.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "MbapFraming.h"

#include <vector>

namespace {

// Feeds a framing and checks what it hands on: only RTU frames with a good
// CRC from the unit asked last, at most one for each request, and never
// more bytes held than one reply.
class CheckedFraming {
public:
    void ask(std::uint8_t address) {
        FUZZ_CHECK(!m_framing.wrap(Frames::readRequest(address, 0, 1)).isEmpty());
        m_unit = address;
        m_answered = false;
    }
    MbapFraming::Received feed(const QByteArray& bytes) {
        const MbapFraming::Received received = m_framing.receive(bytes);
        QByteArray rest = received.frames;
        while (!rest.isEmpty()) {
            FUZZ_CHECK(!m_answered);
            FUZZ_CHECK(std::uint8_t(rest.at(0)) == m_unit);
            // Unit, function and CRC at least; a read reply as long as its
            // byte count says.
            FUZZ_CHECK(rest.size() >= 4);
            const qsizetype size = std::uint8_t(rest.at(1)) == 3 || std::uint8_t(rest.at(1)) == 4
                                       ? 5 + std::uint8_t(rest.at(2))
                                       : rest.size();
            FUZZ_CHECK(size <= rest.size() && crcMatches(rest.first(size)));
            rest.remove(0, size);
            m_answered = true;
        }
        return received;
    }

private:
    MbapFraming m_framing;
    std::uint8_t m_unit = 0;
    bool m_answered = true;
};

// Any bytes in pieces: a head byte whose low seven bits are the piece's
// length and whose top bit sends a request (to the address in the next
// byte) before it.
void anyBytesRoad(FuzzInput& in) {
    CheckedFraming framing;
    while (!in.atEnd()) {
        const std::uint8_t head = in.byte();
        if (head & 0x80)
            framing.ask(in.byte());
        framing.feed(in.bytes(head & 0x7F));
    }
}

QByteArray mbapReply(std::uint16_t transaction, std::uint8_t unit, const QByteArray& data) {
    QByteArray frame;
    const int length = 3 + int(data.size());
    frame.append(char(transaction >> 8)).append(char(transaction & 0xFF));
    frame.append(2, '\0');
    frame.append(char(length >> 8)).append(char(length & 0xFF));
    frame.append(char(unit)).append(char(3)).append(char(data.size()));
    return frame + data;
}

// Requests, each answered by a gateway with a reply in pieces of one size,
// some preceded by a late reply to the request before: every answer comes
// out whole, every late one is counted and nothing else. A piece size (0:
// whole), then for each request an address, a late flag (odd) and a data
// length with its bytes.
void gatewayRoad(FuzzInput& in) {
    const int piece = in.byte();
    CheckedFraming framing;
    std::uint16_t transaction = 0;
    int late = 0, answered = 0, stale = 0, taken = 0;
    while (!in.atEnd()) {
        const std::uint8_t unit = in.byte();
        const bool lateOne = in.byte() % 2 != 0 && transaction > 0;
        const QByteArray data = in.bytes(in.byte() % 251);
        framing.ask(unit);
        ++transaction;
        QByteArray stream;
        if (lateOne) {
            stream += mbapReply(std::uint16_t(transaction - 1), unit, QByteArray(4, '\x11'));
            ++late;
        }
        stream += mbapReply(transaction, unit, data);
        ++answered;
        const qsizetype step = piece == 0 ? stream.size() : piece;
        for (qsizetype at = 0; at < stream.size(); at += step) {
            const MbapFraming::Received received = framing.feed(stream.mid(at, step));
            FUZZ_CHECK(received.garbled == 0 && received.exceptions.isEmpty());
            stale += received.stale;
            if (!received.frames.isEmpty()) {
                FUZZ_CHECK(received.frames == withCrc(stream.right(3 + data.size())));
                ++taken;
            }
        }
    }
    FUZZ_CHECK(stale == late && taken == answered);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    if (in.byte() % 2 == 0)
        anyBytesRoad(in);
    else
        gatewayRoad(in);
    return 0;
}
