// Writes seed inputs for the fuzz targets into FOLDER/line and FOLDER/framer:
// real replies of meter-sim's meters to the tool's requests, the tool's own
// requests, and cut, joined, damaged and noisy versions of them, each laid
// out as the target's road expects.
//
//   fuzz-seeds FOLDER
//
// fuzz/corpus holds these after a merge with what fuzzing found (README).

#include "CRC16.h"
#include "Frames.h"
#include "MeterLine.h"
#include "ReplyKind.h"

#include <QDir>
#include <QFile>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <optional>

namespace {

QByteArray u16(std::uint16_t v) {
    QByteArray bytes;
    return bytes.append(char(v >> 8)).append(char(v & 0xFF));
}
QByteArray u32(std::uint32_t v) {
    return u16(std::uint16_t(v >> 16)) + u16(std::uint16_t(v));
}
QByteArray f32(float v) {
    return u32(std::bit_cast<std::uint32_t>(v));
}
QByteArray i64(qint64 v) {
    return u32(std::uint32_t(static_cast<std::uint64_t>(v) >> 32)) + u32(std::uint32_t(v));
}
QByteArray utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// Pieces of a stream road: each a head byte (the length; the top bit empties
// the buffer before it on the line target, pauses after it on the framer
// target) and its bytes, at most 127 a piece.
QByteArray pieces(const QByteArray& bytes, bool flagFirst, bool flagLast) {
    QByteArray out;
    for (qsizetype at = 0; at == 0 || at < bytes.size(); at += 127) {
        const QByteArray part = bytes.mid(at, 127);
        const bool flag = (flagFirst && at == 0) || (flagLast && at + 127 >= bytes.size());
        out.append(char(part.size() | (flag ? 0x80 : 0)));
        out.append(part);
    }
    return out;
}

// Bytes arriving, after a poll tick to meter `tick` when there is one.
QByteArray arrive(const QByteArray& bytes, std::optional<std::uint8_t> tick = std::nullopt) {
    QByteArray out = pieces(bytes, tick.has_value(), false);
    if (tick)
        out.insert(1, char(*tick));
    return out;
}

// Bytes reaching the simulator, then a pause when `pause`.
QByteArray reach(const QByteArray& bytes, bool pause = false) {
    return pieces(bytes, false, pause);
}

// Laid-over data of a whole-reply record: kind, address, function, piece size, data.
QByteArray wholeReply(ReplyKind kind, int address, int pieceSize,
                      std::initializer_list<std::pair<int, QByteArray>> puts) {
    QByteArray data(layoutOf(kind).byteCount(), '\0');
    for (const auto& [offset, bytes] : puts)
        data.replace(offset, bytes.size(), bytes);
    QByteArray out;
    out.append(char(kind)).append(char(address)).append(char(3)).append(char(pieceSize));
    return out + data;
}

class Writer {
public:
    explicit Writer(const QString& folder) : m_folder(folder) { QDir().mkpath(folder); }

    void operator()(const char* name, const QByteArray& bytes) {
        QFile file(m_folder + QLatin1Char('/') + QLatin1String(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            m_failed = true;
        }
    }
    bool failed() const { return m_failed; }

private:
    QString m_folder;
    bool m_failed = false;
};

void lineSeeds(Writer& write) {
    MeterLine meters({1, 2, 7}, {}, 7);
    meters.advance(90.0);
    const auto answer = [&meters](int address, ReplyKind kind) {
        return meters.handle(Frames::readRequest(std::uint8_t(address), kind)).value_or("");
    };
    const QByteArray realTime = answer(1, ReplyKind::RealTime);
    const QByteArray block[] = {answer(7, ReplyKind::Block1), answer(7, ReplyKind::Block2),
                                answer(7, ReplyKind::Block3), answer(7, ReplyKind::Block4)};
    QByteArray flipped = realTime;
    flipped[20] = char(flipped[20] ^ 0x04);

    const QByteArray stream(1, char(0));
    write("stream-realtime", stream + arrive(realTime, 1));
    write("stream-realtime-in-3-pieces", stream + arrive(realTime.left(10)) +
                                             arrive(realTime.mid(10, 20)) +
                                             arrive(realTime.mid(30)));
    write("stream-blocks", stream + arrive(block[0], 7) + arrive(block[1], 7) +
                               arrive(block[2], 7) + arrive(block[3], 7));
    write("stream-reply-and-one-more-byte", stream + arrive(realTime + char(7)));
    write("stream-bad-crc",
          stream + arrive(flipped, 1) + arrive(block[3].left(5) + QByteArray(2, '\0')));
    write("stream-echo-and-exception", stream + arrive(Frames::writeSingleRequest(1, 0x2C, 5)) +
                                           arrive(withCrc(QByteArray::fromHex("018302")), 1));
    write("stream-cut-short-then-whole", stream + arrive(realTime.left(30)) + arrive(realTime, 1));
    write("stream-count-48-but-54-bytes", stream + arrive(realTime + char(0)) + arrive(block[0]));
    write("stream-unasked-and-silent-meters", stream + arrive(realTime, 2) + arrive({}, 3) +
                                                  arrive({}, 3) + arrive({}, 3) + arrive({}, 3) +
                                                  arrive(realTime, 1));
    write("stream-noise-then-block3",
          stream + arrive(QByteArray(300, '0')) + arrive(block[2].left(60)) + arrive(block[2], 7));

    const QByteArray whole(1, char(1));
    write("whole-realtime-edges",
          whole +
              wholeReply(ReplyKind::RealTime, 7, 10,
                         {{0, f32(-3.1f)},
                          {4, u16(8)},
                          {6, u32(4294967295u)},
                          {10, f32(0.25f)},
                          {14, u16(20)},
                          {16, u32(12)},
                          {20, f32(0.99999f)},
                          {26, u16(1)},
                          {28, u16(2)},
                          {30, u16(1)},
                          {36, f32(std::numeric_limits<float>::quiet_NaN())},
                          {40, f32(std::numeric_limits<float>::max())},
                          {44, f32(-std::numeric_limits<float>::infinity())}}) +
              wholeReply(ReplyKind::RealTime, 1, 0, {{4, u16(9)}, {14, u16(21)}}));
    write("whole-blocks-edges",
          whole +
              wholeReply(ReplyKind::Block1, 1, 7,
                         {{0, f32(12.34567f)},
                          {4, u16(5)},
                          {8, u16(11)},
                          {12, u16(9)},
                          {20, f32(-0.0004f)},
                          {36, f32(0.005f)},
                          {40, u32(4000000000u)}}) +
              wholeReply(ReplyKind::Block2, 2, 13,
                         {{0, f32(-0.001f)}, {20, u16(8)}, {22, "ABCDEFGHIJ"}, {32, u16(3)}}) +
              wholeReply(ReplyKind::Block3, 3, 1,
                         {{24, u32(123456789)},
                          {34, f32(1e30f)},
                          {38, f32(123.4f)},
                          {42, u16(2)},
                          {48, QByteArray("\xff\x00nan-0 inf", 10)},
                          {58, u16(3)}}) +
              wholeReply(ReplyKind::Block4, 4, 0, {{0, u16(0x0100)}}) +
              wholeReply(ReplyKind::Block4, 4, 3, {{0, u16(0x0002)}}));

    const auto codecs = [](std::uint8_t address, std::uint8_t reg, qint64 value,
                           const QString& text) {
        QByteArray out(1, char(2));
        out.append(char(address)).append(char(reg));
        return out + i64(value) + utf16(text);
    };
    write("codecs-half-to-even", codecs(1, 38, 25000, QStringLiteral("ABCDEFGHIJ")));
    write("codecs-odd-half", codecs(1, 38, 35000, QStringLiteral("0123456789")));
    write("codecs-negative", codecs(255, 0, -1, QStringLiteral("short")));
    write("codecs-just-over-16-bit",
          codecs(0, 255, 327675000, QStringLiteral("\u00ff\u00feSERIAL#01")));
    write("codecs-32-bit-maximum", codecs(3, 99, 21474836470000, QStringLiteral("ABCDEFGHI")));
    write("codecs-largest",
          codecs(9, 98, std::numeric_limits<qint64>::max(), QStringLiteral("ABCDEFGHI\u0100")));
    write("codecs-smallest", codecs(9, 98, std::numeric_limits<qint64>::min(), QString()));
    write("codecs-one-tenth", codecs(1, 40, 1000, QStringLiteral("ABCDEFGHIJK")));

    const struct {
        const char* name;
        const char* text;
    } texts[] = {
        {"text-whole", "12"},
        {"text-negative-fraction", "-0.5"},
        {"text-plus-and-point", "+3."},
        {"text-leading-point", " .25 "},
        {"text-blanks-inside", " 1 2 "},
        {"text-letters-after", "12.5abc"},
        {"text-tie-at-fifth-decimal", "1.00005"},
        {"text-beyond-the-tie", "1.000051"},
        {"text-largest", "922337203685477.5807"},
        {"text-exponent", "1e5"},
        {"text-line-settings", "9600,n,8,1"},
        {"text-line-settings-even", "19200,E,7,2"},
        {"text-address", "255"},
        {"text-address-too-big", "256"},
        {"text-address-then-letters", " 007abc"},
        {"text-many-digits", "000000000000000000000000255"},
        {"text-huge-number", "99999999999999999999"},
        {"text-sign-only", "-"},
        {"text-arabic-digits", "\xd9\xa1\xd9\xa2"},
    };
    for (const auto& text : texts)
        write(text.name, QByteArray(1, char(3)) + text.text);
}

void framerSeeds(Writer& write) {
    const QByteArray read = Frames::readRequest(1, 0, 24);
    const QByteArray block = Frames::readRequest(7, 24, 22);
    const QByteArray single = Frames::writeSingleRequest(2, 38, 5);
    const QByteArray serial = Frames::writeMultipleRequest(3, 95, QByteArray("0123456789"));
    const QByteArray value = Frames::writeMultipleRequest(3, 40, QByteArray::fromHex("3F800000"));
    QByteArray garbled = read;
    garbled[3] = 0x01;
    const QByteArray unknown = withCrc(QByteArray::fromHex("01040000000A"));
    const QByteArray longest = Frames::writeMultipleRequest(1, 0, QByteArray(246, 'x'));
    QByteArray tooLong = withCrc(QByteArray::fromHex("011000000080FF") + QByteArray(255, 'y'));

    const QByteArray any(1, char(0));
    write("any-read", any + reach(read, true));
    write("any-byte-by-byte", any + reach(read.left(1)) + reach(read.mid(1, 1)) +
                                  reach(read.mid(2, 5)) + reach(read.mid(7), true));
    write("any-two-in-one", any + reach(read + single, true));
    write("any-serial-split",
          any + reach(serial.left(6)) + reach(serial.mid(6, 5)) + reach(serial.mid(11), true));
    write("any-garbled-then-good", any + reach(garbled + block, true) + reach(block, true));
    write("any-unknown-function", any + reach(unknown, true) + reach(value));
    write("any-noise", any + reach(QByteArray(300, '\x10'), true) + reach(single, true));
    write("any-longest", any + reach(longest, true));
    write("any-too-long", any + reach(tooLong, true));
    // A read ending between byte 257 and the end of such a frame.
    write("any-too-long-split", any + reach(tooLong.left(260)) + reach(tooLong.mid(260), true));
    write("any-short-then-pause", any + reach(read.left(3), true) + reach(read.left(7), true));

    QByteArray requests(1, char(1));
    requests.append(char(3)); // pieces of three bytes
    requests.append(char(0)).append(char(1)).append(char(0)).append(u16(24)); // read
    requests.append(char(1)).append(char(2)).append(char(38)).append(u16(5)); // single
    requests.append(char(2)).append(char(3)).append(char(95)).append(char(5)).append("0123456789");
    write("tool-requests", requests);
    QByteArray wholeOnes(1, char(1));
    wholeOnes.append(char(0));
    wholeOnes.append(char(2)).append(char(1)).append(char(0)).append(char(123));
    wholeOnes.append(QByteArray(246, 'z'));
    wholeOnes.append(char(0)).append(char(0)).append(char(0)).append(u16(0xFFFF));
    write("tool-requests-longest", wholeOnes);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    Writer line(folder + QStringLiteral("/line"));
    lineSeeds(line);
    Writer framer(folder + QStringLiteral("/framer"));
    framerSeeds(framer);
    return line.failed() || framer.failed() ? 1 : 0;
}
