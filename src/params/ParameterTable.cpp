#include "ParameterTable.h"

#include <QStringList>
#include <algorithm>

namespace {

constexpr ListItem languages[] = {{u"Chinese", 0}, {u"English", 1}};
constexpr ListItem meterBaudRates[] = {
    {u"115200", 10}, {u"57600", 9}, {u"38400", 8}, {u"28800", 7}, {u"19200", 6}, {u"14400", 5},
    {u"9600", 4},    {u"4800", 3},  {u"2400", 2},  {u"1200", 1},  {u"600", 0},
};
// Codes 2, 4 and 6 have no unit here and are never sent.
constexpr ListItem flowRateUnits[] = {
    {u"GPM", 3}, {u"LPM", 1}, {u"LPS", 0}, {u"CFM", 5}, {u"CMH", 7}, {u"MGD", 8}, {u"MLD", 9},
};
constexpr ListItem directions[] = {{u"Foward", 0}, {u"Reverse", 1}};
constexpr ListItem totalizerUnits[] = {
    {u"gal", 3},      {u"gal*1000", 4}, {u"L", 0},       {u"L*1000", 1},
    {u"ML", 2},       {u"Cubic m", 6},  {u"CM*1000", 7}, {u"Cubic ft", 12},
    {u"CF*1000", 13}, {u"ACRE In", 15}, {u"ACRE Ft", 9},
};
constexpr ListItem outputTypes[] = {{u"Frequency", 0}, {u"Pulse", 1}};
// A number list: the write sends the number itself.
constexpr ListItem pulseWidths[] = {{u"500", -1},  {u"750", -1},  {u"1000", -1},
                                    {u"2000", -1}, {u"5000", -1}, {u"10000", -1}};
constexpr ListItem excitationModes[] = {
    {u"MODE1", 0}, {u"MODE2", 1}, {u"MODE3", 2}, {u"MODE4", 3},
    {u"MODE5", 4}, {u"MODE6", 5}, {u"MODE7", 6}, {u"MODE8", 7},
};
constexpr ListItem offOn[] = {{u"OFF", 0}, {u"ON", 1}};
constexpr ListItem parities[] = {{u"NONE", 0}, {u"ODD", 1}, {u"EVEN", 2}};
constexpr ListItem enableDisable[] = {{u"Enable", 0}, {u"Disable", 1}};

constexpr const char16_t* comNotice = ParameterNotice::com;

// Only the three linearization pairs written alike get a helper.
constexpr Parameter shownFloat(const char16_t* caption, int reg, FieldPlace full) {
    return {.caption = caption, .reg = reg, .full = full};
}

constexpr Parameter table[] = {
    {.caption = u"Meter size:",
     .reg = 24,
     .kind = WriteKind::Float32,
     .item = u"Meter size",
     .notice = u"Notice:  Meter size: Error!",
     .full = {1, 13},
     .fullWrites = true},
    {.caption = u"Language:",
     .reg = 26,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = languages,
     .item = u"Language",
     .notice = comNotice,
     .full = {1, 0},
     .basic = {2, 0},
     .basicWrites = true},
    {.caption = u"Meter address:",
     .reg = 27,
     .kind = WriteKind::Int16,
     .maxLength = 3,
     .item = u"Meter address",
     .notice = u"Notice:  Meter address:  Error!",
     .full = {1, 1},
     .fullWrites = true,
     .basic = {1, 0}},
    {.caption = u"Baudrate:",
     .reg = 28,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = meterBaudRates,
     .item = u"Baudrate",
     .notice = comNotice,
     .full = {1, 14},
     .fullWrites = true},
    {.caption = u"Communication interval:", .reg = 29, .full = {2, 0}},
    {.caption = u"Flow rate unit:",
     .reg = 30,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = flowRateUnits,
     .item = u"Flow rate unit",
     .notice = comNotice,
     .full = {1, 2},
     .fullWrites = true,
     .basic = {1, 1},
     .basicWrites = true},
    {.caption = u"Meter span setup:",
     .reg = 31,
     .kind = WriteKind::Float32,
     .item = u"Meter span setup",
     .notice = u"Notice:  Meter span setup:  Error!",
     .full = {1, 3},
     .fullWrites = true,
     .basic = {1, 2},
     .basicWrites = true},
    {.caption = u"Flow direction:",
     .reg = 33,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = directions,
     .item = u"Flow direction",
     .notice = comNotice,
     .full = {1, 4},
     .basic = {2, 1},
     .basicWrites = true},
    {.caption = u"Zero point:",
     .reg = 34,
     .kind = WriteKind::Float32,
     .item = u"Zero point",
     .notice = u"Notice:  Zero point: Error!",
     .full = {2, 1},
     .fullWrites = true},
    {.caption = u"Flow cutoff:",
     .reg = 36,
     .kind = WriteKind::Float32,
     .item = u"Flow cutoff",
     .notice = u"Notice:  Flow cutoff: Error!",
     .full = {2, 2},
     .fullWrites = true},
    {.caption = u"Damping:",
     .reg = 38,
     .kind = WriteKind::Int16,
     .item = u"Damping",
     .notice = u"Notice:  Damping: Error!",
     .full = {2, 3},
     .fullWrites = true},
    {.caption = u"Flow totalizer unit:",
     .reg = 39,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = totalizerUnits,
     .item = u"Flow totalizer unit",
     .notice = comNotice,
     .full = {1, 5},
     .fullWrites = true,
     .basic = {1, 3},
     .basicWrites = true},
    {.caption = u"Reverse flow enable:",
     .reg = 40,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = directions,
     .item = u"Reverse flow enable",
     .notice = comNotice,
     .full = {1, 6},
     .basic = {2, 2},
     .basicWrites = true},
    {.caption = ParameterCaption::digitalOutputType,
     .reg = 41,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = outputTypes,
     .item = u"Pulse output type",
     .notice = comNotice,
     .full = {1, 7},
     .fullWrites = true,
     .basic = {1, 4},
     .basicWrites = true},
    {.caption = ParameterCaption::kFactor,
     .reg = 42,
     .kind = WriteKind::Float32,
     .item = u"Pulse output unit",
     .notice = u"Notice:  Pulse output unit:  Error!",
     .full = {1, 8},
     .fullWrites = true,
     .basic = {1, 5},
     .basicWrites = true},
    {.caption = u"Pulse width:",
     .reg = 44,
     .kind = WriteKind::Int32,
     .field = FieldKind::List,
     .items = pulseWidths,
     .item = u"Pulse width",
     .notice = u"Notice:  Pulse width: Error!",
     .full = {2, 4},
     .fullWrites = true,
     .keepsStatus = true},
    {.caption = ParameterCaption::frequencyOutputSpan,
     .reg = 46,
     .kind = WriteKind::Float32,
     .item = u"Frquency output span",
     .notice = u"Notice:  Frquency output span:  Error!",
     .full = {1, 9},
     .fullWrites = true,
     .basic = {1, 6},
     .basicWrites = true},
    {.caption = u"Frequency duty cycle:",
     .reg = 48,
     .kind = WriteKind::Float32,
     .item = u"Frequency duty cycle",
     .notice = u"Notice:  Frequency duty cycle: Error!",
     .full = {2, 5},
     .fullWrites = true},
    {.caption = u"EPD threshold:",
     .reg = 50,
     .kind = WriteKind::Float32,
     .item = u"EPD threshold",
     .notice = u"Notice:  EPD threshold:0-2000!",
     .full = {1, 10},
     .fullWrites = true,
     .basic = {1, 7},
     .rule = WriteRule::CappedAt2000},
    {.caption = u"Sensor factor:",
     .reg = 52,
     .kind = WriteKind::Float32,
     .item = u"K factor",
     .notice = u"Notice:  K factor: Error!",
     .full = {2, 6},
     .fullWrites = true},
    {.caption = u"User factor:",
     .reg = 54,
     .kind = WriteKind::Float32,
     .item = u"User factor",
     .notice = u"Notice:  User factor: Error!",
     .full = {2, 7},
     .fullWrites = true},
    {.caption = u"Excitation mode:",
     .reg = 56,
     .field = FieldKind::List,
     .items = excitationModes,
     .full = {2, 8}},
    {.caption = u"Sensor Serial:",
     .reg = 57,
     .kind = WriteKind::Text10,
     .maxLength = 10,
     .item = u"Sensor Serial",
     .notice = u"Notice:  Sensor Serial: Error!",
     .full = {2, 9},
     .fullWrites = true},
    {.caption = u"Linearization enable:",
     .reg = 62,
     .field = FieldKind::List,
     .items = offOn,
     .full = {2, 10}},
    shownFloat(u"x1:", 63, {2, 11}),
    shownFloat(u"y1:", 65, {2, 12}),
    shownFloat(u"x2:", 67, {2, 13}),
    shownFloat(u"y2:", 69, {3, 0}),
    shownFloat(u"x3:", 71, {3, 1}),
    shownFloat(u"y3:", 73, {3, 2}),
    shownFloat(u"x4:", 75, {3, 3}),
    shownFloat(u"y4:", 77, {3, 4}),
    shownFloat(u"x5:", 79, {3, 5}),
    shownFloat(u"y5:", 81, {3, 6}),
    {.caption = u"Flow totalizer:",
     .reg = 83,
     .kind = WriteKind::Int32,
     .digitsOnly = true,
     .item = u"Flow totalizer",
     .notice = u"Notice:  Flow totalizer: Error!",
     .full = {3, 7},
     .fullWrites = true},
    {.caption = u"Reverse flow totalizer:",
     .reg = 85,
     .kind = WriteKind::Int32,
     .digitsOnly = true,
     .item = u"Reverse flow totalizer",
     .notice = u"Notice:  Reverse flow totalizer: Error!",
     .full = {3, 8},
     .fullWrites = true},
    {.caption = u"Measurement interval:",
     .reg = 87,
     .kind = WriteKind::Int16,
     .digitsOnly = true,
     .item = u"Measurement interval",
     .notice = u"Notice:  Measurement interval: Error!",
     .full = {3, 9},
     .fullWrites = true},
    {.caption = u"Threshold for 5s flow measurement:",
     .reg = 88,
     .kind = WriteKind::Float32,
     .item = u"Threshold for 5s flow measurement",
     .notice = u"Notice:  Threshold for 5s flow measurement: Error!",
     .full = {3, 10},
     .fullWrites = true},
    {.caption = u"Transducer factor:",
     .reg = 90,
     .kind = WriteKind::Float32,
     .item = u"Transducer factor",
     .notice = u"Notice:  Transducer factor: Error!",
     .full = {3, 11},
     .fullWrites = true,
     .rule = WriteRule::TimesTen},
    {.caption = u"Meter sleep:",
     .reg = 92,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = offOn,
     .item = u"Meter sleep",
     .notice = comNotice,
     .full = {1, 11},
     .fullWrites = true,
     .basic = {1, 8}},
    {.caption = u"Transducer serial#:",
     .reg = 95,
     .kind = WriteKind::Text10,
     .maxLength = 10,
     .item = u"Transducer serial#",
     .notice = u"Notice:  Transducer serial#: Error!",
     .full = {3, 12},
     .fullWrites = true,
     .fillsBasicSerialBox = true},
    {.caption = u"Parity check:",
     .reg = 100,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = parities,
     .item = u"Parity check",
     .notice = comNotice,
     .full = {3, 13},
     .fullWrites = true,
     .keepsStatus = true},
    {.caption = u"Empty Pipe Detection Switch:",
     .reg = 101,
     .kind = WriteKind::Enumeration,
     .field = FieldKind::List,
     .items = enableDisable,
     .item = u"Empty Pipe Detection Switch",
     .notice = comNotice,
     .full = {1, 12},
     .fullWrites = true,
     .basic = {2, 3},
     .basicWrites = true,
     .basicCaption = u"EPD Enable:"},
};

} // namespace

QString Parameter::lengthNotice() const {
    return failureNotice() + QStringLiteral("  length=10 ");
}

bool Parameter::writtenIn(ParameterWindowKind window) const {
    if (kind == WriteKind::None)
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

QStringList Parameter::itemTexts() const {
    QStringList texts;
    for (const ListItem& listItem : items)
        texts << QString::fromUtf16(listItem.text);
    return texts;
}

std::optional<int> Parameter::codeOf(QStringView text) const {
    if (kind != WriteKind::Enumeration)
        return std::nullopt;
    for (const ListItem& listItem : items) {
        if (text == QStringView(listItem.text))
            return listItem.code;
    }
    return std::nullopt;
}

namespace ParameterTable {

std::span<const Parameter> all() {
    return table;
}

const Parameter* find(QStringView caption) {
    for (const Parameter& parameter : table) {
        if (caption == QStringView(parameter.caption))
            return &parameter;
    }
    return nullptr;
}

const Parameter& serialNumber() {
    const auto found =
        std::find_if(std::begin(table), std::end(table),
                     [](const Parameter& parameter) { return parameter.fillsBasicSerialBox; });
    return *found;
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
