#include "RealtimeRecord.h"

#include "DecimalText.h"
#include "RealtimeMap.h"
#include "ReplyData.h"

#include <cmath>
#include <limits>

namespace {

constexpr const ReplyLayout& layout = layoutOf(ReplyKind::RealTime);

constexpr int offset(int reg) {
    return layout.dataOffset(reg);
}

template <std::size_t N>
std::optional<QString> unitText(const std::array<const char16_t*, N>& table, unsigned code) {
    if (code >= N)
        return std::nullopt;
    return QString::fromUtf16(table[code]);
}

std::optional<QString> floatText(const ReplyData& data, int reg) {
    return DecimalText::roundedText(DecimalText::r4(data.float32(offset(reg))), 2);
}

// Whole part plus the decimal part, added in fixed point so that a whole part
// near 2^32 keeps its last digits.
std::optional<QString> totalText(const ReplyData& data, int wholeReg, int decimalReg) {
    const std::uint32_t whole = data.u32(offset(wholeReg));
    const float decimal = DecimalText::r4(data.float32(offset(decimalReg)));
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
    using RealtimeMap::alarmTexts;
    for (std::size_t i = 0; i < alarmTexts.size(); ++i) {
        // Only exactly 1 is an alarm; the meter may hold other values there.
        if (data.u16(offset(RealtimeRegister::FirstAlarm + static_cast<int>(i))) == 1)
            status += QString::fromUtf16(alarmTexts[i]);
    }
    return status;
}

} // namespace

std::optional<Reading> decodeRealtimeRecord(QStringView hexText) {
    using namespace RealtimeRegister;
    using namespace RealtimeMap;
    const std::optional<ReplyData> data = ReplyData::fromHex(hexText, ReplyKind::RealTime);
    if (!data)
        return std::nullopt;

    Reading reading;
    reading.address = data->address();
    reading.flowRate = floatText(*data, FlowRate);
    reading.flowRateUnit = unitText(flowRateUnits, data->u16(offset(FlowRateUnit)));
    reading.forwardTotal = totalText(*data, ForwardWhole, ForwardDecimal);
    reading.reverseTotal = totalText(*data, ReverseWhole, ReverseDecimal);
    reading.totalizerUnit = unitText(totalizerUnits, data->u16(offset(TotalizerUnit)));
    reading.status = statusText(*data);
    reading.flowSpeed = floatText(*data, FlowSpeed);
    reading.spanPercentage = floatText(*data, SpanPercentage);
    reading.electrodeImpedance = floatText(*data, ElectrodeImpedance);
    return reading;
}
