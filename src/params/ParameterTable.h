#pragma once

#include "ParameterMap.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>
#include <span>

// How the two parameter windows show and write each parameter of the
// meter's map: where each window places its field, which window writes it,
// the item name of its log rows and the notice of a failed write. What the
// parameter is (caption, registers, form, list) is the map's.

enum class ParameterWindowKind { Full, Basic };

enum class FieldKind { Text, List };

// How a write turns the field's text into a request; it follows from the
// parameter's form.
enum class WriteKind {
    None,        // shown only, in every window
    Enumeration, // function 6, the code of the list text
    Int16,       // function 6, the number as a 16-bit integer (`s16`)
    Float32,     // function 16, two registers, a float (`f32`)
    Int32,       // function 16, two registers, a 32-bit integer (`l32`)
    Text10,      // function 16, five registers, ten characters (`AscWrite`)
};

// A step one parameter's write adds to the common sequence.
enum class WriteRule {
    Common,
    CappedAt2000, // above 2000 is written as 2000, with the range notice
};

struct FieldPlace {
    int column = 0; // from 1; 0: not in that window
    int row = 0;    // from 0, top down
};

struct Parameter {
    int reg;                      // a MeterRegister
    int maxLength = 0;            // typed characters; 0: as many as the form holds
    bool digitsOnly = false;      // typed digits only
    const char16_t* item = u"";   // the item of the log row
    const char16_t* notice = u""; // the status line when the write fails
    FieldPlace full;
    bool fullWrites = false;
    FieldPlace basic = {};
    bool basicWrites = false;
    const char16_t* basicCaption = nullptr; // only where the basic label differs
    bool fillsBasicSerialBox = false;       // the serial number every basic write logs
    bool keepsStatus = false;               // the write leaves an earlier notice in place
    WriteRule rule = WriteRule::Common;

    constexpr const MeterParameter& meter() const { return *ParameterMap::find(reg); }
    WriteKind kind() const;
    FieldKind field() const { return meter().choices.empty() ? FieldKind::Text : FieldKind::List; }
    // The typed characters a field takes at most; 0 for no limit.
    int typedLimit() const { return meter().form == ValueForm::Text10 ? 10 : maxLength; }
    // The field shows a tenth of the register, so a write sends ten times the text.
    bool scalesByTen() const { return meter().form == ValueForm::TenthDecimals3; }

    QString captionText() const { return meter().captionText(); }
    QString itemName() const { return QString::fromUtf16(item); }
    QString failureNotice() const { return QString::fromUtf16(notice); }
    // "... Error!  length=10 ": a serial text of the wrong length.
    QString lengthNotice() const;

    bool shownIn(ParameterWindowKind window) const { return placeIn(window).column > 0; }
    bool writtenIn(ParameterWindowKind window) const;
    FieldPlace placeIn(ParameterWindowKind window) const;
    QString labelIn(ParameterWindowKind window) const;

    // The code an enumeration write sends for a list text; nullopt for a text
    // outside the list, which must never go out.
    std::optional<unsigned> codeOf(QStringView text) const;
};

// The notice of the enumeration writes and of a failed read.
namespace ParameterNotice {
inline constexpr char16_t com[] = u"Notice:  com:  Error!";
} // namespace ParameterNotice

namespace ParameterTable {

// Every parameter, in register order.
std::span<const Parameter> all();

// By its first register; nullptr for any other number.
const Parameter* byRegister(int reg);

// The meter's serial number, which every write logs.
const Parameter& serialNumber();

// The parameters a window shows, ordered column by column, top down.
QList<const Parameter*> shownIn(ParameterWindowKind window);

} // namespace ParameterTable
