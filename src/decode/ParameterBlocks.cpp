#include "ParameterBlocks.h"

#include "DecimalText.h"
#include "ParameterMap.h"
#include "ReplyData.h"

namespace {

std::optional<QString> floatText(ValueForm form, float value, bool rounded) {
    if (rounded)
        value = DecimalText::r4(value);
    switch (form) {
    case ValueForm::Short:
        return DecimalText::shortText(value);
    case ValueForm::Decimals2:
    case ValueForm::Decimals3: {
        const int decimals = form == ValueForm::Decimals2 ? 2 : 3;
        return rounded ? DecimalText::roundedText(value, decimals)
                       : DecimalText::decimalText(value, decimals);
    }
    case ValueForm::TenthDecimals3:
        // Only the transducer factor, which sits in a rounded block.
        return DecimalText::roundedText(value, 3, true);
    default:
        return std::nullopt;
    }
}

std::optional<QString> fieldText(const MeterParameter& parameter, const ReplyData& data,
                                 const ReplyLayout& layout) {
    const int offset = layout.dataOffset(parameter.reg);
    switch (parameter.form) {
    case ValueForm::Whole16:
        return QString::number(data.u16(offset));
    case ValueForm::Whole32:
        return QString::number(data.u32(offset));
    case ValueForm::Text10:
        return data.text10(offset);
    case ValueForm::Code16:
        return parameter.textOf(data.u16(offset));
    case ValueForm::CodeLowByte:
        return parameter.textOf(data.u8(offset + 1));
    default:
        return floatText(parameter.form, data.float32(offset), layout.roundsFloats);
    }
}

} // namespace

std::optional<QList<FieldText>> decodeParameterBlock(ReplyKind kind, QStringView hexText) {
    if (kind == ReplyKind::RealTime)
        return std::nullopt;
    const std::optional<ReplyData> data = ReplyData::fromHex(hexText, kind);
    if (!data)
        return std::nullopt;

    const ReplyLayout& layout = layoutOf(kind);
    const std::span<const MeterParameter> parameters = ParameterMap::inBlock(kind);
    QList<FieldText> texts;
    texts.reserve(static_cast<qsizetype>(parameters.size()));
    for (const MeterParameter& parameter : parameters) {
        if (std::optional<QString> text = fieldText(parameter, *data, layout))
            texts.append({parameter.reg, std::move(*text)});
    }
    return texts;
}
