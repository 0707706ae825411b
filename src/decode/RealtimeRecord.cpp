#include "RealtimeRecord.h"

#include "DecimalText.h"
#include "ReplyData.h"

#include <array>
#include <cmath>
#include <limits>

namespace {

// Data offsets of the register map.
enum Offset {
    FlowRate = 0,
    FlowRateUnit = 4,
    ForwardWhole = 6,
    ForwardDecimal = 10,
    TotalizerUnit = 14,
    ReverseWhole = 16,
    ReverseDecimal = 20,
    // 24: register 12, not interpreted
    FirstAlarm = 26,
    FlowSpeed = 36,
    SpanPercentage = 40,
    ElectrodeImpedance = 44,
};

constexpr std::array<const char16_t*, 9> flowRateUnits{
    u"l/s", u"l/min", u"gal/s", u"gal/min", u"ft3/s", u"ft3/min", u"m3/min", u"m3/h", u"CFM",
};

constexpr std::array<const char16_t*, 21> totalizerUnits{
    u"l",   u"Kl",  u"Ml",   u"gal",  u"Kgal", u"Mgal", u"m3",  u"Km3", u"Mm3",  u"af",   u"Kaf",
    u"Maf", u"ft3", u"Kft3", u"Mft3", u"AI",   u"KAI",  u"MAI", u"MID", u"KMID", u"MMID",
};

// Registers 13 to 17, one flag each.
constexpr std::array<const char16_t*, 5> alarmTexts{
    u",Excitation Alarm",   u",Low Battery Alarm",  u",Empty Pipe Alarm",
    u",Exceed Upper Limit", u",Exceed Lower Limit",
};

template <std::size_t N>
std::optional<QString> unitText(const std::array<const char16_t*, N>& table, unsigned code) {
    if (code >= N)
        return std::nullopt;
    return QString::fromUtf16(table[code]);
}

std::optional<QString> floatText(const ReplyData& data, int offset) {
    return DecimalText::roundedText(DecimalText::r4(data.float32(offset)), 2);
}

// Whole part plus the decimal part, added in fixed point so that a whole part
// near 2^32 keeps its last digits.
std::optional<QString> totalText(const ReplyData& data, int wholeOffset, int decimalOffset) {
    const std::uint32_t whole = data.u32(wholeOffset);
    const float decimal = DecimalText::r4(data.float32(decimalOffset));
    if (!std::isfinite(decimal))
        return std::nullopt;
    const qint64 wholeUnits = static_cast<qint64>(whole) * 10000;
    const std::optional<qint64> decimalUnits = DecimalText::toTenThousandths(decimal);
    if (!decimalUnits || *decimalUnits > std::numeric_limits<qint64>::max() - wholeUnits) {
        // A decimal part this far out of range has no exact sum to keep.
        return QString::number(static_cast<double>(whole) + static_cast<double>(decimal), 'f', 2);
    }
    return DecimalText::fixedPoint(wholeUnits + *decimalUnits, 4, 2);
}

QString statusText(const ReplyData& data) {
    QString status = QStringLiteral("Communication OK");
    for (std::size_t i = 0; i < alarmTexts.size(); ++i) {
        // Only exactly 1 is an alarm; the meter may hold other values there.
        if (data.u16(FirstAlarm + 2 * static_cast<int>(i)) == 1)
            status += QString::fromUtf16(alarmTexts[i]);
    }
    return status;
}

} // namespace

std::optional<RealtimeReading> decodeRealtimeRecord(QStringView hexText) {
    const std::optional<ReplyData> data = ReplyData::fromHex(hexText, ReplyKind::RealTime);
    if (!data)
        return std::nullopt;

    RealtimeReading reading;
    reading.address = data->address();
    reading.flowRate = floatText(*data, FlowRate);
    reading.flowRateUnit = unitText(flowRateUnits, data->u16(FlowRateUnit));
    reading.forwardTotal = totalText(*data, ForwardWhole, ForwardDecimal);
    reading.reverseTotal = totalText(*data, ReverseWhole, ReverseDecimal);
    reading.totalizerUnit = unitText(totalizerUnits, data->u16(TotalizerUnit));
    reading.status = statusText(*data);
    reading.flowSpeed = floatText(*data, FlowSpeed);
    reading.spanPercentage = floatText(*data, SpanPercentage);
    reading.electrodeImpedance = floatText(*data, ElectrodeImpedance);
    return reading;
}
