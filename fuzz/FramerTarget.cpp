// Fuzz target for meter-sim's request framer: whatever reaches the simulated
// meters, in whatever pieces and pauses, is cut into request frames.
//
// The first byte picks the road: any bytes, or requests as the tool builds
// them.

#include "CRC16.h"
#include "Frames.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "RequestFramer.h"

#include <optional>
#include <vector>

namespace {

// The longest RTU frame; the framer never holds more.
constexpr qsizetype longestFrame = 256;

// Frame length by function code, as the tool's requests have it.
qsizetype lengthByFunction(const QByteArray& frame) {
    switch (static_cast<std::uint8_t>(frame[1])) {
    case 3:
    case 6:
        return 8;
    case 16:
        return frame.size() >= 7 ? 9 + static_cast<std::uint8_t>(frame[6]) : -1;
    default:
        return -1;
    }
}

// Feeds pieces to a framer and checks what it hands out against the bytes
// that arrived since the last pause: frames are cut from their front, one
// after the other, none skipped over, each with a good CRC.
class CheckedFramer {
public:
    void feed(const QByteArray& bytes) {
        m_sincePause += bytes;
        for (const QByteArray& frame : m_framer.feed(bytes)) {
            FUZZ_CHECK(frame.size() >= 4 && crcMatches(frame));
            FUZZ_CHECK(lengthByFunction(frame) == frame.size());
            take(frame);
        }
        FUZZ_CHECK(m_framer.bufferedSize() <= longestFrame);
        FUZZ_CHECK(m_framer.bufferedSize() <= m_sincePause.size() - m_cut);
    }

    // The line goes quiet. The frames of this stretch are also what one
    // framer makes of the same bytes arriving all at once: how the line's
    // reads happened to split them changes nothing.
    void pause() {
        if (const std::optional<QByteArray> frame = m_framer.silence()) {
            FUZZ_CHECK(frame->size() >= 4 && crcMatches(*frame));
            FUZZ_CHECK(m_sincePause.size() - m_cut == frame->size());
            take(*frame);
        }
        FUZZ_CHECK(m_framer.isEmpty());

        RequestFramer whole;
        std::vector<QByteArray> frames = whole.feed(m_sincePause);
        if (const std::optional<QByteArray> last = whole.silence())
            frames.push_back(*last);
        FUZZ_CHECK(frames == m_stretch);

        m_sincePause.clear();
        m_stretch.clear();
        m_cut = 0;
    }

    const std::vector<QByteArray>& all() const { return m_all; }

private:
    void take(const QByteArray& frame) {
        FUZZ_CHECK(m_sincePause.mid(m_cut, frame.size()) == frame);
        m_cut += frame.size();
        m_stretch.push_back(frame);
        m_all.push_back(frame);
    }

    RequestFramer m_framer;
    QByteArray m_sincePause;
    qsizetype m_cut = 0; // bytes of m_sincePause already handed out as frames
    std::vector<QByteArray> m_stretch;
    std::vector<QByteArray> m_all;
};

// Any bytes in pieces: a head byte whose low seven bits are the piece's
// length and whose top bit is a pause after it, then the piece.
void anyBytesRoad(FuzzInput& in) {
    CheckedFramer framer;
    while (!in.atEnd()) {
        const std::uint8_t head = in.byte();
        framer.feed(in.bytes(head & 0x7F));
        if (head & 0x80)
            framer.pause();
    }
    framer.pause();
}

std::uint16_t word(FuzzInput& in) {
    const std::uint8_t high = in.byte();
    return static_cast<std::uint16_t>(high << 8 | in.byte());
}

// Requests as the tool builds them, back to back with no pause, in pieces of
// one size: every one comes out whole and in order. A piece size (0: all at
// once), then for each request a form byte, an address, a register and a
// read's count, a single write's value or a multiple write's data.
void toolRequestsRoad(FuzzInput& in) {
    const int piece = in.byte();
    std::vector<QByteArray> sent;
    QByteArray line;
    while (!in.atEnd()) {
        const int form = in.byte() % 3;
        const std::uint8_t address = in.byte();
        const std::uint8_t reg = in.byte();
        QByteArray frame;
        if (form == 0) {
            frame = Frames::readRequest(address, reg, word(in));
        } else if (form == 1) {
            frame = Frames::writeSingleRequest(address, reg, word(in));
        } else {
            // Whole registers, at most the 123 a function 16 request may carry.
            QByteArray data = in.bytes(static_cast<std::size_t>(in.byte() % 124) * 2);
            data.resize(data.size() & ~qsizetype(1));
            frame = Frames::writeMultipleRequest(address, reg, data);
        }
        sent.push_back(frame);
        line += frame;
    }

    CheckedFramer framer;
    const qsizetype step = piece == 0 ? line.size() : piece;
    for (qsizetype at = 0; at < line.size(); at += step)
        framer.feed(line.mid(at, step));
    FUZZ_CHECK(framer.all() == sent);
    framer.pause();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    if (in.byte() % 2 == 0)
        anyBytesRoad(in);
    else
        toolRequestsRoad(in);
    return 0;
}
