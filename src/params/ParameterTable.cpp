#include "ParameterTable.h"

#include <algorithm>

namespace {

namespace R = MeterRegister;

constexpr const char16_t* comNotice = ParameterNotice::com;

// A parameter the full window shows and no window writes.
constexpr Parameter shown(int reg, FieldPlace full) {
    return {.reg = reg, .full = full};
}

// In register order, every parameter of the meter's map once.
constexpr Parameter table[] = {
    {.reg = R::MeterSize,
     .item = u"Meter size",
     .notice = u"Notice:  Meter size: Error!",
     .full = {1, 13},
     .fullWrites = true},
    {.reg = R::Language,
     .item = u"Language",
     .notice = comNotice,
     .full = {1, 0},
     .basic = {2, 0},
     .basicWrites = true},
    {.reg = R::MeterAddress,
     .maxLength = 3,
     .item = u"Meter address",
     .notice = u"Notice:  Meter address:  Error!",
     .full = {1, 1},
     .fullWrites = true,
     .basic = {1, 0}},
    {.reg = R::Baudrate,
     .item = u"Baudrate",
     .notice = comNotice,
     .full = {1, 14},
     .fullWrites = true},
    shown(R::CommunicationInterval, {2, 0}),
    {.reg = R::FlowRateUnit,
     .item = u"Flow rate unit",
     .notice = comNotice,
     .full = {1, 2},
     .fullWrites = true,
     .basic = {1, 1},
     .basicWrites = true},
    {.reg = R::MeterSpan,
     .item = u"Meter span setup",
     .notice = u"Notice:  Meter span setup:  Error!",
     .full = {1, 3},
     .fullWrites = true,
     .basic = {1, 2},
     .basicWrites = true},
    {.reg = R::FlowDirection,
     .item = u"Flow direction",
     .notice = comNotice,
     .full = {1, 4},
     .basic = {2, 1},
     .basicWrites = true},
    {.reg = R::ZeroPoint,
     .item = u"Zero point",
     .notice = u"Notice:  Zero point: Error!",
     .full = {2, 1},
     .fullWrites = true},
    {.reg = R::FlowCutoff,
     .item = u"Flow cutoff",
     .notice = u"Notice:  Flow cutoff: Error!",
     .full = {2, 2},
     .fullWrites = true},
    {.reg = R::Damping,
     .item = u"Damping",
     .notice = u"Notice:  Damping: Error!",
     .full = {2, 3},
     .fullWrites = true},
    {.reg = R::TotalizerUnit,
     .item = u"Flow totalizer unit",
     .notice = comNotice,
     .full = {1, 5},
     .fullWrites = true,
     .basic = {1, 3},
     .basicWrites = true},
    {.reg = R::ReverseFlowEnable,
     .item = u"Reverse flow enable",
     .notice = comNotice,
     .full = {1, 6},
     .basic = {2, 2},
     .basicWrites = true},
    {.reg = R::DigitalOutputType,
     .item = u"Pulse output type",
     .notice = comNotice,
     .full = {1, 7},
     .fullWrites = true,
     .basic = {1, 4},
     .basicWrites = true},
    {.reg = R::KFactor,
     .item = u"Pulse output unit",
     .notice = u"Notice:  Pulse output unit:  Error!",
     .full = {1, 8},
     .fullWrites = true,
     .basic = {1, 5},
     .basicWrites = true},
    {.reg = R::PulseWidth,
     .item = u"Pulse width",
     .notice = u"Notice:  Pulse width: Error!",
     .full = {2, 4},
     .fullWrites = true,
     .keepsStatus = true},
    {.reg = R::FrequencyOutputSpan,
     .item = u"Frquency output span",
     .notice = u"Notice:  Frquency output span:  Error!",
     .full = {1, 9},
     .fullWrites = true,
     .basic = {1, 6},
     .basicWrites = true},
    {.reg = R::FrequencyDutyCycle,
     .item = u"Frequency duty cycle",
     .notice = u"Notice:  Frequency duty cycle: Error!",
     .full = {2, 5},
     .fullWrites = true},
    {.reg = R::EpdThreshold,
     .item = u"EPD threshold",
     .notice = u"Notice:  EPD threshold:0-2000!",
     .full = {1, 10},
     .fullWrites = true,
     .basic = {1, 7},
     .rule = WriteRule::CappedAt2000},
    {.reg = R::SensorFactor,
     .item = u"K factor",
     .notice = u"Notice:  K factor: Error!",
     .full = {2, 6},
     .fullWrites = true},
    {.reg = R::UserFactor,
     .item = u"User factor",
     .notice = u"Notice:  User factor: Error!",
     .full = {2, 7},
     .fullWrites = true},
    shown(R::ExcitationMode, {2, 8}),
    {.reg = R::SensorSerial,
     .item = u"Sensor Serial",
     .notice = u"Notice:  Sensor Serial: Error!",
     .full = {2, 9},
     .fullWrites = true},
    shown(R::LinearizationEnable, {2, 10}),
    shown(R::X1, {2, 11}),
    shown(R::Y1, {2, 12}),
    shown(R::X2, {2, 13}),
    shown(R::Y2, {3, 0}),
    shown(R::X3, {3, 1}),
    shown(R::Y3, {3, 2}),
    shown(R::X4, {3, 3}),
    shown(R::Y4, {3, 4}),
    shown(R::X5, {3, 5}),
    shown(R::Y5, {3, 6}),
    {.reg = R::FlowTotalizer,
     .digitsOnly = true,
     .item = u"Flow totalizer",
     .notice = u"Notice:  Flow totalizer: Error!",
     .full = {3, 7},
     .fullWrites = true},
    {.reg = R::ReverseFlowTotalizer,
     .digitsOnly = true,
     .item = u"Reverse flow totalizer",
     .notice = u"Notice:  Reverse flow totalizer: Error!",
     .full = {3, 8},
     .fullWrites = true},
    {.reg = R::MeasurementInterval,
     .digitsOnly = true,
     .item = u"Measurement interval",
     .notice = u"Notice:  Measurement interval: Error!",
     .full = {3, 9},
     .fullWrites = true},
    {.reg = R::FiveSecondThreshold,
     .item = u"Threshold for 5s flow measurement",
     .notice = u"Notice:  Threshold for 5s flow measurement: Error!",
     .full = {3, 10},
     .fullWrites = true},
    {.reg = R::TransducerFactor,
     .item = u"Transducer factor",
     .notice = u"Notice:  Transducer factor: Error!",
     .full = {3, 11},
     .fullWrites = true},
    {.reg = R::MeterSleep,
     .item = u"Meter sleep",
     .notice = comNotice,
     .full = {1, 11},
     .fullWrites = true,
     .basic = {1, 8}},
    {.reg = R::TransducerSerial,
     .item = u"Transducer serial#",
     .notice = u"Notice:  Transducer serial#: Error!",
     .full = {3, 12},
     .fullWrites = true,
     .fillsBasicSerialBox = true},
    {.reg = R::ParityCheck,
     .item = u"Parity check",
     .notice = comNotice,
     .full = {3, 13},
     .fullWrites = true,
     .keepsStatus = true},
    {.reg = R::EmptyPipeDetection,
     .item = u"Empty Pipe Detection Switch",
     .notice = comNotice,
     .full = {1, 12},
     .fullWrites = true,
     .basic = {2, 3},
     .basicWrites = true,
     .basicCaption = u"EPD Enable:"},
};

static_assert(std::size(table) == std::size(ParameterMap::parameters));
static_assert(std::ranges::equal(table, ParameterMap::parameters, {}, &Parameter::reg,
                                 &MeterParameter::reg));

} // namespace

WriteKind Parameter::kind() const {
    if (!fullWrites && !basicWrites)
        return WriteKind::None;
    switch (meter().form) {
    case ValueForm::Code16:
    case ValueForm::CodeLowByte:
        return WriteKind::Enumeration;
    case ValueForm::Whole16:
        return WriteKind::Int16;
    case ValueForm::Whole32:
        return WriteKind::Int32;
    case ValueForm::Text10:
        return WriteKind::Text10;
    default:
        return WriteKind::Float32;
    }
}

QString Parameter::lengthNotice() const {
    return failureNotice() + QStringLiteral("  length=10 ");
}

bool Parameter::writtenIn(ParameterWindowKind window) const {
    if (kind() == WriteKind::None)
        return false;
    return window == ParameterWindowKind::Full ? fullWrites : basicWrites;
}

FieldPlace Parameter::placeIn(ParameterWindowKind window) const {
    return window == ParameterWindowKind::Full ? full : basic;
}

QString Parameter::labelIn(ParameterWindowKind window) const {
    if (window == ParameterWindowKind::Basic && basicCaption)
        return QString::fromUtf16(basicCaption);
    return captionText();
}

std::optional<unsigned> Parameter::codeOf(QStringView text) const {
    if (kind() != WriteKind::Enumeration)
        return std::nullopt;
    return meter().codeOf(text);
}

namespace ParameterTable {

std::span<const Parameter> all() {
    return table;
}

const Parameter* byRegister(int reg) {
    const auto found = std::ranges::find(table, reg, &Parameter::reg);
    return found != std::end(table) ? found : nullptr;
}

const Parameter& serialNumber() {
    return *std::ranges::find_if(table, &Parameter::fillsBasicSerialBox);
}

QList<const Parameter*> shownIn(ParameterWindowKind window) {
    QList<const Parameter*> shown;
    for (const Parameter& parameter : table) {
        if (parameter.shownIn(window))
            shown << &parameter;
    }
    std::sort(shown.begin(), shown.end(), [window](const auto* a, const auto* b) {
        const FieldPlace pa = a->placeIn(window);
        const FieldPlace pb = b->placeIn(window);
        return pa.column != pb.column ? pa.column < pb.column : pa.row < pb.row;
    });
    return shown;
}

} // namespace ParameterTable
