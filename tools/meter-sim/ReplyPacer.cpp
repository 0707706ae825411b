#include "ReplyPacer.h"

#include <algorithm>

using std::chrono::microseconds;
using namespace std::chrono_literals;

namespace {

// Unsplit replies go out in pieces of about this much line time: close
// enough to a serial port's own delivery, and few wake-ups.
constexpr microseconds PieceTime = 4ms;

} // namespace

ReplyPacer::ReplyPacer(int baud, Faults faults, std::uint32_t seed)
    : m_baud(baud), m_faults(faults), m_random(seed) {}

microseconds ReplyPacer::byteTime(int bytes) const {
    return microseconds(static_cast<std::int64_t>(bytes) * 10'000'000 / m_baud);
}

bool ReplyPacer::chance(double probability) {
    return probability > 0.0 &&
           std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < probability;
}

int ReplyPacer::between(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(m_random);
}

QByteArray ReplyPacer::strayBytes() {
    QByteArray bytes;
    const int count = between(1, 3);
    for (int i = 0; i < count; ++i)
        bytes.append(static_cast<char>(between(0, 255)));
    return bytes;
}

std::vector<TimedPiece> ReplyPacer::pace(QByteArray reply) {
    std::vector<TimedPiece> pieces;
    microseconds clock{0};

    const bool stray = chance(m_faults.stray);
    const bool strayFirst = stray && between(0, 1) == 0;
    if (strayFirst) {
        // Noise as the meter's driver takes the line, then a short pause.
        const QByteArray noise = strayBytes();
        clock += byteTime(noise.size());
        pieces.push_back({clock, noise, {}});
        clock += byteTime(between(2, 6));
    }

    if (chance(m_faults.corruptCrc) && reply.size() >= 2)
        reply[reply.size() - 2] = static_cast<char>(reply[reply.size() - 2] ^ between(1, 255));

    const int pieceBytes = std::max<int>(1, static_cast<int>(PieceTime / byteTime()));
    for (int sent = 0; sent < reply.size();) {
        int size = pieceBytes;
        if (m_faults.split) {
            size = between(1, std::max<int>(1, static_cast<int>(reply.size()) / 3));
            if (sent > 0)
                clock += microseconds(between(1000, 15000));
        }
        size = std::min<int>(size, static_cast<int>(reply.size()) - sent);
        clock += byteTime(size);
        pieces.push_back({clock, reply.mid(sent, size), {}, sent});
        sent += size;
    }
    if (!pieces.empty())
        pieces.back().endsReply = reply;

    if (stray && !strayFirst) {
        clock += microseconds(between(2000, 20000));
        const QByteArray noise = strayBytes();
        clock += byteTime(noise.size());
        pieces.push_back({clock, noise, {}});
    }
    return pieces;
}
