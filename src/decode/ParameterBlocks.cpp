#include "ParameterBlocks.h"

#include "DecimalText.h"
#include "ReplyData.h"

#include <span>

namespace {

enum class Form {
    Short,          // float, shortest text
    Whole16,        // u16 in decimal digits
    Whole32,        // u32 in decimal digits
    Decimals2,      // float, "0.00"
    Decimals3,      // float, "0.000"
    TenthDecimals3, // float divided by 10, "0.000"
    Text10,         // ten characters, last byte first
    Code16,         // u16 picks a text
    CodeLowByte,    // low byte of a u16 picks a text
};

struct Choice {
    unsigned code;
    const char16_t* text;
};

struct Field {
    const char16_t* caption;
    int offset; // data offset
    Form form;
    std::span<const Choice> choices = {};
    const char16_t* otherwise = nullptr; // text for a code not in `choices`
};

struct Block {
    ReplyKind kind;
    bool roundFloats; // r4 before any display form
    std::span<const Field> fields;
};

constexpr Choice languages[] = {{0, u"Chinese"}};
constexpr Choice baudRates[] = {
    {0, u"600"},   {1, u"1200"},  {2, u"2400"},  {3, u"4800"},  {4, u"9600"},    {5, u"14400"},
    {6, u"19200"}, {7, u"28800"}, {8, u"38400"}, {9, u"57600"}, {10, u"115200"},
};
// The parameter windows' own unit names; the real-time record has other ones.
constexpr Choice flowRateUnits[] = {
    {0, u"LPS"}, {1, u"LPM"}, {3, u"GPM"}, {5, u"CFM"}, {7, u"CMH"}, {8, u"MGD"}, {9, u"MLD"},
};
constexpr Choice directions[] = {{0, u"Foward"}};
constexpr Choice totalizerUnits[] = {
    {0, u"L"},         {1, u"L*1000"},   {2, u"ML"},       {3, u"gal"},
    {4, u"gal*1000"},  {6, u"Cubic m"},  {7, u"CM*1000"},  {9, u"ACRE Ft"},
    {12, u"Cubic ft"}, {13, u"CF*1000"}, {15, u"ACRE In"},
};
constexpr Choice outputTypes[] = {{0, u"Frequency"}};
constexpr Choice excitationModes[] = {
    {0, u"MODE1"}, {1, u"MODE2"}, {2, u"MODE3"}, {3, u"MODE4"},
    {4, u"MODE5"}, {5, u"MODE6"}, {6, u"MODE7"}, {7, u"MODE8"},
};
constexpr Choice offOn[] = {{0, u"OFF"}};
constexpr Choice sleepModes[] = {{0, u"OFF"}, {1, u"ON"}};
constexpr Choice parities[] = {{0, u"NONE"}, {1, u"ODD"}, {2, u"EVEN"}};
constexpr Choice enableDisable[] = {{0, u"Enable"}, {1, u"Disable"}};

constexpr Field block1Fields[] = {
    {u"Meter size:", 0, Form::Short},
    {u"Language:", 4, Form::Code16, languages, u"English"},
    {u"Meter address:", 6, Form::Whole16},
    {u"Baudrate:", 8, Form::Code16, baudRates},
    {u"Communication interval:", 10, Form::Whole16},
    {u"Flow rate unit:", 12, Form::Code16, flowRateUnits},
    {u"Meter span setup:", 14, Form::Short},
    {u"Flow direction:", 18, Form::Code16, directions, u"Reverse"},
    {u"Zero point:", 20, Form::Decimals3},
    {u"Flow cutoff:", 24, Form::Decimals3},
    {u"Damping:", 28, Form::Whole16},
    {u"Flow totalizer unit:", 30, Form::Code16, totalizerUnits},
    {u"Reverse flow enable:", 32, Form::Code16, directions, u"Reverse"},
    {u"Digital output type:", 34, Form::Code16, outputTypes, u"Pulse"},
    {u"K factor:", 36, Form::Decimals2},
    {u"Pulse width:", 40, Form::Whole32},
};

constexpr Field block2Fields[] = {
    {u"Frquency output span:", 0, Form::Decimals2},
    {u"Frequency duty cycle:", 4, Form::Decimals2},
    {u"EPD threshold:", 8, Form::Decimals2},
    {u"Sensor factor:", 12, Form::Decimals2},
    {u"User factor:", 16, Form::Decimals2},
    {u"Excitation mode:", 20, Form::Code16, excitationModes},
    // Set before the serial although its register comes after it.
    {u"Linearization enable:", 32, Form::Code16, offOn, u"ON"},
    {u"Sensor Serial:", 22, Form::Text10},
    {u"x1:", 34, Form::Decimals2},
    {u"y1:", 38, Form::Decimals2},
    {u"x2:", 42, Form::Decimals2},
    {u"y2:", 46, Form::Decimals2},
};

constexpr Field block3Fields[] = {
    {u"x3:", 0, Form::Decimals2},
    {u"y3:", 4, Form::Decimals2},
    {u"x4:", 8, Form::Decimals2},
    {u"y4:", 12, Form::Decimals2},
    {u"x5:", 16, Form::Decimals2},
    {u"y5:", 20, Form::Decimals2},
    {u"Flow totalizer:", 24, Form::Whole32},
    {u"Reverse flow totalizer:", 28, Form::Whole32},
    {u"Measurement interval:", 32, Form::Whole16},
    {u"Threshold for 5s flow measurement:", 34, Form::Short},
    {u"Transducer factor:", 38, Form::TenthDecimals3},
    {u"Meter sleep:", 42, Form::Code16, sleepModes},
    // Registers 93-94 (offsets 44-47) are not shown.
    {u"Transducer serial#:", 48, Form::Text10},
    {u"Parity check:", 58, Form::Code16, parities},
};

constexpr Field block4Fields[] = {
    {u"Empty Pipe Detection Switch:", 0, Form::CodeLowByte, enableDisable},
};

constexpr Block blocks[] = {
    {ReplyKind::Block1, true, block1Fields},
    {ReplyKind::Block2, false, block2Fields},
    {ReplyKind::Block3, true, block3Fields},
    {ReplyKind::Block4, false, block4Fields},
};

std::optional<QString> codeText(const Field& field, unsigned code) {
    for (const Choice& choice : field.choices) {
        if (choice.code == code)
            return QString::fromUtf16(choice.text);
    }
    if (field.otherwise)
        return QString::fromUtf16(field.otherwise);
    return std::nullopt;
}

std::optional<QString> floatText(Form form, float value, bool rounded) {
    if (rounded)
        value = DecimalText::r4(value);
    switch (form) {
    case Form::Short:
        return DecimalText::shortText(value);
    case Form::Decimals2:
    case Form::Decimals3: {
        const int decimals = form == Form::Decimals2 ? 2 : 3;
        return rounded ? DecimalText::roundedText(value, decimals)
                       : DecimalText::decimalText(value, decimals);
    }
    case Form::TenthDecimals3:
        // Only the transducer factor, which sits in an r4 block.
        return DecimalText::roundedText(value, 3, true);
    default:
        return std::nullopt;
    }
}

std::optional<QString> fieldText(const Field& field, const ReplyData& data, bool roundFloats) {
    switch (field.form) {
    case Form::Whole16:
        return QString::number(data.u16(field.offset));
    case Form::Whole32:
        return QString::number(data.u32(field.offset));
    case Form::Text10:
        return data.text10(field.offset);
    case Form::Code16:
        return codeText(field, data.u16(field.offset));
    case Form::CodeLowByte:
        return codeText(field, data.u8(field.offset + 1));
    default:
        return floatText(field.form, data.float32(field.offset), roundFloats);
    }
}

} // namespace

std::optional<QList<FieldText>> decodeParameterBlock(int block, QStringView hexText) {
    if (block < 1 || block > static_cast<int>(std::size(blocks)))
        return std::nullopt;
    const Block& layout = blocks[block - 1];
    const std::optional<ReplyData> data = ReplyData::fromHex(hexText, layout.kind);
    if (!data)
        return std::nullopt;

    QList<FieldText> texts;
    texts.reserve(static_cast<qsizetype>(layout.fields.size()));
    for (const Field& field : layout.fields) {
        if (std::optional<QString> text = fieldText(field, *data, layout.roundFloats))
            texts.append({QString::fromUtf16(field.caption), std::move(*text)});
    }
    return texts;
}
