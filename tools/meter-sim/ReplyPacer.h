#pragma once

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

// Bytes to put on the line once `at` has passed since the meter began to
// answer; `at` is when the last of them has left the meter at the baud rate.
struct TimedPiece {
    std::chrono::microseconds at{0};
    QByteArray bytes;
    // On the piece that ends the reply: the whole reply as it went out
    // (damaged CRC included, stray bytes not).
    QByteArray endsReply;
    // Where the bytes stand in the reply; -1 for stray bytes.
    int offset = -1;
};

// Turns a reply into timed pieces as a meter at the given baud rate sends
// it, with the faults asked for: a wrong CRC, pieces with gaps between
// them, and stray bytes before or after the reply.
class ReplyPacer {
public:
    struct Faults {
        double corruptCrc = 0.0;
        bool split = false;
        double stray = 0.0;
    };

    ReplyPacer(int baud, Faults faults, std::uint32_t seed);

    // Ten bits a byte: start, eight data, stop.
    std::chrono::microseconds byteTime(int bytes = 1) const;

    std::vector<TimedPiece> pace(QByteArray reply);

private:
    bool chance(double probability);
    int between(int low, int high);
    QByteArray strayBytes();

    int m_baud = 9600;
    Faults m_faults;
    std::mt19937 m_random;
};
