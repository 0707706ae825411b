// Fuzz target for everything that turns outside bytes or typed text into
// values: the receive routine and the decoders it hands replies to, the value
// codecs and write requests, and the parsers of typed numbers and settings.
//
// The first byte picks one of four roads; the rest is that road's input.

#include "CRC16.h"
#include "DecimalEntry.h"
#include "DecimalText.h"
#include "FakeSerialPort.h"
#include "Frames.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "HexText.h"
#include "LineHealth.h"
#include "LineSettings.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterBlocks.h"
#include "ParameterFields.h"
#include "ParameterMap.h"
#include "RealtimeRecord.h"
#include "ReceiveBuffer.h"
#include "ReplyKind.h"
#include "SerialExchange.h"
#include "ValueCodec.h"
#include "WholeNumber.h"
#include "WriteRequests.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

// The Modbus CRC worked on a high and a low byte, bit by bit, apart from the
// 16-bit one in CRC16.cpp, so that each checks the other.
bool crcIntact(const QByteArray& frame) {
    if (frame.size() < 3)
        return false;
    std::uint8_t high = 0xFF;
    std::uint8_t low = 0xFF;
    for (qsizetype i = 0; i < frame.size() - 2; ++i) {
        low ^= static_cast<std::uint8_t>(frame[i]);
        for (int bit = 0; bit < 8; ++bit) {
            const std::uint8_t oldHigh = high;
            const std::uint8_t oldLow = low;
            high = static_cast<std::uint8_t>(high >> 1);
            low = static_cast<std::uint8_t>(low >> 1 | (oldHigh & 1) << 7);
            if (oldLow & 1) {
                high ^= 0xA0;
                low ^= 0x01;
            }
        }
    }
    return static_cast<std::uint8_t>(frame[frame.size() - 2]) == low &&
           static_cast<std::uint8_t>(frame[frame.size() - 1]) == high;
}

QString upperHex(const QByteArray& bytes) {
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        text += QChar(digits[byte >> 4]);
        text += QChar(digits[byte & 0x0F]);
    }
    return text;
}

// "0.00"-style text: a sign only before a non-zero value, digits, a point,
// exactly `places` digits.
bool isDecimal(QStringView text, int places) {
    const bool negative = text.startsWith(u'-');
    if (negative)
        text = text.mid(1);
    const qsizetype point = text.indexOf(u'.');
    if (point < 1 || text.size() - point - 1 != places)
        return false;
    bool nonZero = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i == point)
            continue;
        if (text[i] < u'0' || text[i] > u'9')
            return false;
        nonZero = nonZero || text[i] != u'0';
    }
    return nonZero || !negative;
}

// ---- Road 0 and 1: the receive routine and the decoders -------------------

// The receive routine as the tool's protocol has it, with no bound on its
// buffer: the bounded ReceiveBuffer must hand over exactly what this does.
class UnboundedReceiver {
public:
    void clear() { m_text.clear(); }
    const QString& text() const { return m_text; }

    std::optional<ReplyKind> receive(const QByteArray& bytes) {
        m_text += upperHex(bytes);
        bool ok = false;
        const int byteCount = m_text.size() >= 6 ? m_text.mid(4, 2).toInt(&ok, 16) : -1;
        for (const ReplyLayout& layout : replyLayouts) {
            if (ok && byteCount == layout.byteCount() && m_text.size() == layout.hexLength()) {
                m_text.clear();
                return layout.kind;
            }
        }
        return std::nullopt;
    }

private:
    QString m_text;
};

class FieldRecorder : public ParameterFields {
public:
    void setFieldText(int reg, const QString& text) override { fields.append({reg, text}); }
    QList<FieldText> fields;
};

void checkReading(const Reading& reading, const QByteArray& frame) {
    FUZZ_CHECK(reading.address == static_cast<std::uint8_t>(frame[0]));
    FUZZ_CHECK(reading.status && reading.status->startsWith(QLatin1String("Communication OK")));
    for (const std::optional<QString>* number :
         {&reading.flowRate, &reading.forwardTotal, &reading.reverseTotal, &reading.flowSpeed,
          &reading.spanPercentage, &reading.electrodeImpedance}) {
        FUZZ_CHECK(!*number || isDecimal(**number, 2));
    }
}

// "-0", "-0.00" and the like: a sign before a value that shows as zero.
bool isNegativeZero(QStringView text) {
    if (!text.startsWith(u'-') || text.size() < 2)
        return false;
    for (const QChar c : text.mid(1)) {
        if (c != u'0' && c != u'.')
            return false;
    }
    return true;
}

bool isWhole(QStringView text) {
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

// A block's texts: its own parameters in register order, each in the form
// the register map gives it; a listed code shows a text the writer knows,
// so a field written back unchanged sends the code it came from.
void checkFields(ReplyKind kind, const QList<FieldText>& fields) {
    int previous = -1;
    for (const FieldText& field : fields) {
        const MeterParameter* parameter = ParameterMap::find(field.reg);
        FUZZ_CHECK(parameter && layoutOf(kind).holds(field.reg));
        FUZZ_CHECK(field.reg > previous);
        previous = field.reg;
        switch (parameter->form) {
        case ValueForm::Text10:
            FUZZ_CHECK(field.text.size() == 10);
            continue;
        case ValueForm::Code16:
        case ValueForm::CodeLowByte:
            FUZZ_CHECK(parameter->codeOf(field.text).has_value());
            break;
        case ValueForm::Whole16:
        case ValueForm::Whole32:
            FUZZ_CHECK(isWhole(field.text));
            break;
        case ValueForm::Decimals2:
            FUZZ_CHECK(isDecimal(field.text, 2));
            break;
        case ValueForm::Decimals3:
        case ValueForm::TenthDecimals3:
            FUZZ_CHECK(isDecimal(field.text, 3));
            break;
        case ValueForm::Short:
            FUZZ_CHECK(!field.text.isEmpty() && !isNegativeZero(field.text));
            FUZZ_CHECK(!field.text.contains(QLatin1String("nan"), Qt::CaseInsensitive));
            FUZZ_CHECK(!field.text.contains(QLatin1String("inf"), Qt::CaseInsensitive));
            break;
        }
    }
}

// One meter line's receive side: the exchange the tool runs, with the
// decoders the application hands each reply to and the line's statistics,
// beside the unbounded model.
class Line {
public:
    Line() {
        m_port.open();
        m_dispatcher.add(&m_fields);
        QObject::connect(&m_exchange, &SerialExchange::replyReceived,
                         [this](ReplyKind kind, const QString& text) { decode(kind, text); });
    }
    ~Line() { checkMeterCounts(); }

    // A poll tick: clearform1, then the real-time request to `address`.
    void poll(std::uint8_t address) {
        m_exchange.clearform1();
        m_model.clear();
        FUZZ_CHECK(m_exchange.send(Frames::readRequest(address, ReplyKind::RealTime)) == 0);
        checkCounts();
    }

    // Bytes arrive; the reply they complete, if any, as the model sees it.
    void deliver(const QByteArray& bytes) {
        const QString before = m_model.text();
        const std::optional<ReplyKind> expected = m_model.receive(bytes);
        const std::size_t handed = m_handed.size();
        m_port.deliver(bytes);
        m_bytes += bytes.size();

        if (expected) {
            FUZZ_CHECK(m_handed.size() == handed + 1);
            FUZZ_CHECK(m_handed.back().first == *expected);
            FUZZ_CHECK(m_handed.back().second == before + upperHex(bytes));
        } else {
            FUZZ_CHECK(m_handed.size() == handed);
        }
        // The buffer is the model's text cut at the bound, never more.
        const QString& text = m_exchange.bufferText();
        FUZZ_CHECK(text.size() <= ReceiveBuffer::capacity);
        FUZZ_CHECK(text.size() % 2 == 0);
        FUZZ_CHECK(m_model.text().startsWith(text));
        FUZZ_CHECK(text.size() ==
                   std::min<qsizetype>(m_model.text().size(), ReceiveBuffer::capacity));
        checkCounts();
    }

    const std::vector<std::pair<ReplyKind, QString>>& handed() const { return m_handed; }
    int decodedCount() const { return m_decoded; }

private:
    // Every poll ends in one outcome, so the outcomes and the poll still
    // open add up to the requests sent; every byte is a reply's or garbage.
    void checkCounts() const {
        const LineStatistics& statistics = m_health.statistics();
        const LineStatistics::LineCounts line = statistics.line();
        const qint64 open = statistics.openPoll() ? 1 : 0;
        FUZZ_CHECK(line.stored + line.crcDrops + line.notStored + line.noReply + open ==
                   line.requests);
        FUZZ_CHECK(line.bytesReceived == m_bytes);
        FUZZ_CHECK(line.garbageBytes == m_bytes - m_replyBytes);
    }

    // The meters' counts add up to the line's.
    void checkMeterCounts() const {
        const LineStatistics& statistics = m_health.statistics();
        const LineStatistics::LineCounts line = statistics.line();
        const qint64 open = statistics.openPoll() ? 1 : 0;
        qint64 requests = 0;
        qint64 outcomes = 0;
        for (const int address : statistics.meters()) {
            const LineStatistics::Counts meter = statistics.meter(address);
            requests += meter.requests;
            outcomes += meter.stored + meter.crcDrops + meter.notStored + meter.noReply;
        }
        FUZZ_CHECK(requests == line.requests && outcomes + open == requests);
    }

    // What the application does with a reply, checked on the way.
    void decode(ReplyKind kind, const QString& text) {
        m_handed.emplace_back(kind, text);
        m_replyBytes += text.size() / 2;
        FUZZ_CHECK(text.size() == layoutOf(kind).hexLength());
        const std::optional<QByteArray> frame = HexText::toBytes(text);
        FUZZ_CHECK(frame.has_value());
        FUZZ_CHECK(static_cast<std::uint8_t>(frame->at(2)) == layoutOf(kind).byteCount());
        // Only a frame whose CRC holds is ever decoded, and every such one is.
        const bool intact = crcIntact(*frame);
        FUZZ_CHECK(crcMatches(*frame) == intact);

        if (kind == ReplyKind::RealTime) {
            const std::optional<Reading> reading = decodeRealtimeRecord(text);
            FUZZ_CHECK(reading.has_value() == intact);
            if (reading) {
                checkReading(*reading, *frame);
                m_health.replyStored(reading->address);
            } else {
                m_health.replyDropped(text);
            }
        } else {
            const std::optional<QList<FieldText>> fields = decodeParameterBlock(kind, text);
            FUZZ_CHECK(fields.has_value() == intact);
            m_fields.fields.clear();
            m_dispatcher.dispatch(kind, text);
            FUZZ_CHECK(m_fields.fields == fields.value_or(QList<FieldText>{}));
            if (fields)
                checkFields(kind, *fields);
        }
        m_decoded += intact ? 1 : 0;
    }

    FakeSerialPort m_port;
    SerialExchange m_exchange{m_port};
    LineHealth m_health{m_exchange};
    ParameterBlockDispatcher m_dispatcher;
    FieldRecorder m_fields;
    UnboundedReceiver m_model;
    std::vector<std::pair<ReplyKind, QString>> m_handed;
    int m_decoded = 0;
    qint64 m_bytes = 0;
    qint64 m_replyBytes = 0;
};

// Any bytes in any pieces, between polls. Each piece is a head byte, whose
// low seven bits are the piece's length and whose top bit means a poll tick
// first, to the meter of the address byte that follows it; then the bytes.
void streamRoad(FuzzInput& in) {
    Line line;
    while (!in.atEnd()) {
        const std::uint8_t head = in.byte();
        if (head & 0x80)
            line.poll(in.byte());
        line.deliver(in.bytes(head & 0x7F));
    }
}

// Whole replies with a good CRC, each sent in pieces after a poll of its
// meter: each is handed over exactly once, to the decoder of its kind, and
// decoded. Each is
// a kind byte, an address, a function code, a piece size (0: all at once)
// and the data bytes (zeros where the input ends).
void wholeRepliesRoad(FuzzInput& in) {
    Line line;
    while (!in.atEnd()) {
        const ReplyLayout& layout = replyLayouts[in.byte() % replyLayouts.size()];
        QByteArray frame;
        frame.append(static_cast<char>(in.byte()));
        frame.append(static_cast<char>(in.byte()));
        const int piece = in.byte();
        frame.append(static_cast<char>(layout.byteCount()));
        QByteArray data = in.bytes(static_cast<std::size_t>(layout.byteCount()));
        data.resize(layout.byteCount(), '\0');
        frame = withCrc(frame + data);
        FUZZ_CHECK(crcIntact(frame));

        line.poll(static_cast<std::uint8_t>(frame[0]));
        const std::size_t handed = line.handed().size();
        const int decoded = line.decodedCount();
        const qsizetype step = piece == 0 ? frame.size() : piece;
        for (qsizetype at = 0; at < frame.size(); at += step)
            line.deliver(frame.mid(at, step));
        FUZZ_CHECK(line.handed().size() == handed + 1);
        FUZZ_CHECK(line.handed().back().first == layout.kind);
        FUZZ_CHECK(line.decodedCount() == decoded + 1);
    }
}

// ---- Road 2: value codecs and write requests ------------------------------

std::uint64_t bigEndianValue(const QByteArray& bytes) {
    std::uint64_t value = 0;
    for (const char c : bytes)
        value = value << 8 | static_cast<std::uint8_t>(c);
    return value;
}

// The whole number an integer register gets: out of range (negatives too)
// the maximum, else rounded with a half to the even neighbour.
std::uint64_t expectedWhole(qint64 tenThousandths, qint64 maximum) {
    if (tenThousandths < 0 || tenThousandths / 10000 > maximum ||
        (tenThousandths / 10000 == maximum && tenThousandths % 10000 != 0))
        return static_cast<std::uint64_t>(maximum);
    return static_cast<std::uint64_t>(
        std::nearbyint(static_cast<long double>(tenThousandths) / 10000));
}

void checkFrameHead(const QByteArray& frame, int length, std::uint8_t address, int function,
                    std::uint8_t reg) {
    FUZZ_CHECK(frame.size() == length);
    FUZZ_CHECK(crcIntact(frame));
    FUZZ_CHECK(static_cast<std::uint8_t>(frame[0]) == address);
    FUZZ_CHECK(frame[1] == function);
    FUZZ_CHECK(frame[2] == 0);
    FUZZ_CHECK(static_cast<std::uint8_t>(frame[3]) == reg);
}

// An address, a register, an 8-byte value (most significant first) and a
// text as UTF-16 pairs for the serial write.
void codecsRoad(FuzzInput& in) {
    const std::uint8_t address = in.byte();
    const std::uint8_t reg = in.byte();
    const qint64 value = in.int64();
    const QByteArray textBytes = in.rest();
    const QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(textBytes.constData()), textBytes.size() / 2);

    const QByteArray int16 = ValueToBytes(value, RegisterType::Int16);
    FUZZ_CHECK(int16.size() == 2 && bigEndianValue(int16) == expectedWhole(value, 32767));
    const QByteArray int32 = ValueToBytes(value, RegisterType::Int32);
    FUZZ_CHECK(int32.size() == 4 && bigEndianValue(int32) == expectedWhole(value, 2147483647));
    const QByteArray float32 = ValueToBytes(value, RegisterType::Float32);
    FUZZ_CHECK(float32.size() == 4);
    const auto asFloat = std::bit_cast<float>(static_cast<std::uint32_t>(bigEndianValue(float32)));
    const long double exact = static_cast<long double>(value) / 10000;
    FUZZ_CHECK(std::isfinite(asFloat));
    FUZZ_CHECK(std::fabs(asFloat - exact) <= std::fabs(exact) * 0x1p-23L);

    const QByteArray s16 = WriteRequests::s16Request(address, reg, value);
    checkFrameHead(s16, 8, address, 6, reg);
    FUZZ_CHECK(s16.mid(4, 2) == int16);
    const QByteArray f32 = WriteRequests::f32Request(address, reg, value);
    checkFrameHead(f32, 13, address, 16, reg);
    FUZZ_CHECK(f32.mid(4, 3) == QByteArray::fromHex("000204") && f32.mid(7, 4) == float32);
    const QByteArray l32 = WriteRequests::l32Request(address, reg, value);
    checkFrameHead(l32, 13, address, 16, reg);
    FUZZ_CHECK(l32.mid(4, 3) == QByteArray::fromHex("000204") && l32.mid(7, 4) == int32);

    bool fits = text.size() == 10;
    for (const QChar c : text)
        fits = fits && c.unicode() <= 0xFF;
    const std::optional<QByteArray> serial = WriteRequests::ascWriteRequest(address, reg, text);
    FUZZ_CHECK(serial.has_value() == fits);
    if (serial) {
        checkFrameHead(*serial, 19, address, 16, reg);
        FUZZ_CHECK(serial->mid(4, 3) == QByteArray::fromHex("00050A"));
        for (int i = 0; i < 10; ++i)
            FUZZ_CHECK(static_cast<std::uint8_t>(serial->at(7 + i)) == text[9 - i].unicode());
    }
}

// ---- Road 3: typed numbers and settings texts -----------------------------

// The value of the digits a text begins with (blanks skipped), held at
// `max` + 1 once above it; nullopt when no digit comes first.
std::optional<qint64> leadingDigits(QStringView text, int max) {
    while (!text.isEmpty() && text.front().isSpace())
        text = text.mid(1);
    qsizetype end = 0;
    while (end < text.size() && text[end] >= u'0' && text[end] <= u'9')
        ++end;
    if (end == 0)
        return std::nullopt;
    QStringView digits = text.left(end);
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.mid(1);
    if (digits.size() > 10)
        return qint64(max) + 1;
    return std::min(digits.toLongLong(), qint64(max) + 1);
}

// Addresses, periods, intervals and codes as the windows and the settings
// row read them, with the ranges they are read in.
void checkWholeNumbers(QStringView text) {
    constexpr int intMax = std::numeric_limits<int>::max();
    const std::pair<int, int> ranges[] = {{0, 255}, {1, 255}, {0, 2}, {0, 32767}, {0, intMax}};
    for (const auto& [min, max] : ranges) {
        const std::optional<qint64> digits = leadingDigits(text, max);
        const std::optional<int> exact = WholeNumber::parse(text, min, max);
        const std::optional<int> prefix =
            WholeNumber::parse(text, min, max, WholeNumber::Mode::Prefix);
        if (exact) {
            FUZZ_CHECK(*exact >= min && *exact <= max);
            FUZZ_CHECK(digits == *exact && prefix == exact);
            FUZZ_CHECK(WholeNumber::parse(QString::number(*exact), min, max) == exact);
        }
        if (prefix) {
            FUZZ_CHECK(digits && std::min<qint64>(*digits, max) == *prefix);
            FUZZ_CHECK(*prefix >= min && *prefix <= max);
        } else {
            FUZZ_CHECK(!digits || std::min<qint64>(*digits, max) < min);
        }
    }
}

// The rest of the input as UTF-8 text, as a field or a stored setting.
void typedTextRoad(FuzzInput& in) {
    const QByteArray bytes = in.rest();
    const QString text = QString::fromUtf8(bytes);

    if (const std::optional<qint64> value = DecimalEntry::parseFixedPoint(text)) {
        // What was read back is written the same way and reads the same.
        const QString again = DecimalText::fixedPoint(*value, 4, 4);
        FUZZ_CHECK(DecimalEntry::parseFixedPoint(again) == value);
        FUZZ_CHECK(*value == 0 || (*value < 0) == text.trimmed().startsWith(u'-'));
    }
    if (const std::optional<double> number = DecimalEntry::scanLeadingNumber(text))
        FUZZ_CHECK(!std::isnan(*number));

    checkWholeNumbers(text);

    if (const std::optional<LineSettings> settings = LineSettings::parse(text)) {
        const std::optional<LineSettings> again = LineSettings::parse(settings->text());
        FUZZ_CHECK(again && again->text() == settings->text());
        FUZZ_CHECK(settings->baud > 0 && settings->dataBits >= 5 && settings->dataBits <= 8);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    switch (in.byte() % 4) {
    case 0:
        streamRoad(in);
        break;
    case 1:
        wholeRepliesRoad(in);
        break;
    case 2:
        codecsRoad(in);
        break;
    default:
        typedTextRoad(in);
        break;
    }
    return 0;
}
