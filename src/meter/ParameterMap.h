#pragma once

#include "ReplyKind.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>

// Registers 24 to 101: the meter's parameters, each with where it stands,
// how its registers hold it, how the tool shows it and, for a parameter
// picked from a list, the list in the order the windows show it. The
// decoders read the blocks from here and the parameter windows point here
// by register; nothing of this is written anywhere else.

// How a parameter's registers hold its value and how it is shown.
enum class ValueForm {
    Short,          // float, shortest text ("50", "0.1235", "12.5")
    Whole16,        // u16 in decimal digits
    Whole32,        // u32 (high register first) in decimal digits
    Decimals2,      // float, "0.00"
    Decimals3,      // float, "0.000"
    TenthDecimals3, // float divided by 10, "0.000"
    Text10,         // ten characters in five registers, the last one first
    Code16,         // a u16 that picks a text of the list
    CodeLowByte,    // the low byte of a u16 picks a text of the list
};

constexpr int registerCount(ValueForm form) {
    switch (form) {
    case ValueForm::Whole16:
    case ValueForm::Code16:
    case ValueForm::CodeLowByte:
        return 1;
    case ValueForm::Text10:
        return 5;
    default:
        return 2;
    }
}

// One item of a parameter's list: its text and the value in the register.
struct Choice {
    const char16_t* text;
    unsigned code;
};

struct MeterParameter {
    int reg;                 // the first register
    const char16_t* caption; // the label of its field in the full parameter window
    ValueForm form;
    std::span<const Choice> choices = {}; // in display order
    const char16_t* otherwise = nullptr;  // shown for a code outside the list

    QString captionText() const { return QString::fromUtf16(caption); }
    QStringList choiceTexts() const;
    // The text a code shows; nullopt when it shows none and the field
    // keeps what it had.
    std::optional<QString> textOf(unsigned code) const;
    // The code of a list text; nullopt for a text outside the list, which
    // must never go out.
    std::optional<unsigned> codeOf(QStringView text) const;
};

// Every parameter's first register by name.
namespace MeterRegister {
inline constexpr int MeterSize = 24;
inline constexpr int Language = 26;
inline constexpr int MeterAddress = 27;
inline constexpr int Baudrate = 28;
inline constexpr int CommunicationInterval = 29;
inline constexpr int FlowRateUnit = 30;
inline constexpr int MeterSpan = 31;
inline constexpr int FlowDirection = 33;
inline constexpr int ZeroPoint = 34;
inline constexpr int FlowCutoff = 36;
inline constexpr int Damping = 38;
inline constexpr int TotalizerUnit = 39;
inline constexpr int ReverseFlowEnable = 40;
inline constexpr int DigitalOutputType = 41;
inline constexpr int KFactor = 42;
inline constexpr int PulseWidth = 44;
inline constexpr int FrequencyOutputSpan = 46;
inline constexpr int FrequencyDutyCycle = 48;
inline constexpr int EpdThreshold = 50;
inline constexpr int SensorFactor = 52;
inline constexpr int UserFactor = 54;
inline constexpr int ExcitationMode = 56;
inline constexpr int SensorSerial = 57;
inline constexpr int LinearizationEnable = 62;
inline constexpr int X1 = 63;
inline constexpr int Y1 = 65;
inline constexpr int X2 = 67;
inline constexpr int Y2 = 69;
inline constexpr int X3 = 71;
inline constexpr int Y3 = 73;
inline constexpr int X4 = 75;
inline constexpr int Y4 = 77;
inline constexpr int X5 = 79;
inline constexpr int Y5 = 81;
inline constexpr int FlowTotalizer = 83;
inline constexpr int ReverseFlowTotalizer = 85;
inline constexpr int MeasurementInterval = 87;
inline constexpr int FiveSecondThreshold = 88;
inline constexpr int TransducerFactor = 90;
inline constexpr int MeterSleep = 92; // 93-94 are not shown
inline constexpr int TransducerSerial = 95;
inline constexpr int ParityCheck = 100;
inline constexpr int EmptyPipeDetection = 101;
} // namespace MeterRegister

namespace ParameterLists {
inline constexpr Choice languages[] = {{u"Chinese", 0}, {u"English", 1}};
// Also the PC line's speeds, in this order.
inline constexpr Choice baudRates[] = {
    {u"115200", 10}, {u"57600", 9}, {u"38400", 8}, {u"28800", 7}, {u"19200", 6}, {u"14400", 5},
    {u"9600", 4},    {u"4800", 3},  {u"2400", 2},  {u"1200", 1},  {u"600", 0},
};
// Codes 2, 4 and 6 have no unit here and are never sent.
inline constexpr Choice flowRateUnits[] = {
    {u"GPM", 3}, {u"LPM", 1}, {u"LPS", 0}, {u"CFM", 5}, {u"CMH", 7}, {u"MGD", 8}, {u"MLD", 9},
};
inline constexpr Choice directions[] = {{u"Foward", 0}, {u"Reverse", 1}};
inline constexpr Choice totalizerUnits[] = {
    {u"gal", 3},      {u"gal*1000", 4}, {u"L", 0},       {u"L*1000", 1},
    {u"ML", 2},       {u"Cubic m", 6},  {u"CM*1000", 7}, {u"Cubic ft", 12},
    {u"CF*1000", 13}, {u"ACRE In", 15}, {u"ACRE Ft", 9},
};
inline constexpr Choice outputTypes[] = {{u"Frequency", 0}, {u"Pulse", 1}};
// The widths offered, in microseconds; the register holds the number itself.
inline constexpr Choice pulseWidths[] = {{u"500", 500},   {u"750", 750},   {u"1000", 1000},
                                         {u"2000", 2000}, {u"5000", 5000}, {u"10000", 10000}};
inline constexpr Choice excitationModes[] = {
    {u"MODE1", 0}, {u"MODE2", 1}, {u"MODE3", 2}, {u"MODE4", 3},
    {u"MODE5", 4}, {u"MODE6", 5}, {u"MODE7", 6}, {u"MODE8", 7},
};
inline constexpr Choice offOn[] = {{u"OFF", 0}, {u"ON", 1}};
// Also the PC line's parities, a parity's code its place in the list.
inline constexpr Choice parities[] = {{u"NONE", 0}, {u"ODD", 1}, {u"EVEN", 2}};
inline constexpr Choice enableDisable[] = {{u"Enable", 0}, {u"Disable", 1}};
} // namespace ParameterLists

namespace ParameterMap {

namespace R = MeterRegister;
namespace L = ParameterLists;
using F = ValueForm;

// In register order.
inline constexpr MeterParameter parameters[] = {
    {R::MeterSize, u"Meter size:", F::Short},
    {R::Language, u"Language:", F::Code16, L::languages, u"English"},
    {R::MeterAddress, u"Meter address:", F::Whole16},
    {R::Baudrate, u"Baudrate:", F::Code16, L::baudRates},
    {R::CommunicationInterval, u"Communication interval:", F::Whole16},
    {R::FlowRateUnit, u"Flow rate unit:", F::Code16, L::flowRateUnits},
    {R::MeterSpan, u"Meter span setup:", F::Short},
    {R::FlowDirection, u"Flow direction:", F::Code16, L::directions, u"Reverse"},
    {R::ZeroPoint, u"Zero point:", F::Decimals3},
    {R::FlowCutoff, u"Flow cutoff:", F::Decimals3},
    {R::Damping, u"Damping:", F::Whole16},
    {R::TotalizerUnit, u"Flow totalizer unit:", F::Code16, L::totalizerUnits},
    {R::ReverseFlowEnable, u"Reverse flow enable:", F::Code16, L::directions, u"Reverse"},
    {R::DigitalOutputType, u"Digital output type:", F::Code16, L::outputTypes, u"Pulse"},
    {R::KFactor, u"K factor:", F::Decimals2},
    {R::PulseWidth, u"Pulse width:", F::Whole32, L::pulseWidths},
    {R::FrequencyOutputSpan, u"Frquency output span:", F::Decimals2},
    {R::FrequencyDutyCycle, u"Frequency duty cycle:", F::Decimals2},
    {R::EpdThreshold, u"EPD threshold:", F::Decimals2},
    {R::SensorFactor, u"Sensor factor:", F::Decimals2},
    {R::UserFactor, u"User factor:", F::Decimals2},
    {R::ExcitationMode, u"Excitation mode:", F::Code16, L::excitationModes},
    {R::SensorSerial, u"Sensor Serial:", F::Text10},
    {R::LinearizationEnable, u"Linearization enable:", F::Code16, L::offOn, u"ON"},
    {R::X1, u"x1:", F::Decimals2},
    {R::Y1, u"y1:", F::Decimals2},
    {R::X2, u"x2:", F::Decimals2},
    {R::Y2, u"y2:", F::Decimals2},
    {R::X3, u"x3:", F::Decimals2},
    {R::Y3, u"y3:", F::Decimals2},
    {R::X4, u"x4:", F::Decimals2},
    {R::Y4, u"y4:", F::Decimals2},
    {R::X5, u"x5:", F::Decimals2},
    {R::Y5, u"y5:", F::Decimals2},
    {R::FlowTotalizer, u"Flow totalizer:", F::Whole32},
    {R::ReverseFlowTotalizer, u"Reverse flow totalizer:", F::Whole32},
    {R::MeasurementInterval, u"Measurement interval:", F::Whole16},
    {R::FiveSecondThreshold, u"Threshold for 5s flow measurement:", F::Short},
    {R::TransducerFactor, u"Transducer factor:", F::TenthDecimals3},
    {R::MeterSleep, u"Meter sleep:", F::Code16, L::offOn},
    {R::TransducerSerial, u"Transducer serial#:", F::Text10},
    {R::ParityCheck, u"Parity check:", F::Code16, L::parities},
    {R::EmptyPipeDetection, u"Empty Pipe Detection Switch:", F::CodeLowByte, L::enableDisable},
};

// The parameter whose first register is `reg`; nullptr for any other number.
constexpr const MeterParameter* find(int reg) {
    for (const MeterParameter& parameter : parameters)
        if (parameter.reg == reg)
            return &parameter;
    return nullptr;
}

// The parameters a block's reply carries, in register order.
std::span<const MeterParameter> inBlock(ReplyKind kind);

} // namespace ParameterMap
