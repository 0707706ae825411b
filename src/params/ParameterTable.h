#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>

// The meter parameters of the two parameter windows, one row each: the
// field, where each window places it, and how a write sends and logs it.
// The windows build their fields from here and the writes take register,
// kind, codes, item name and notice from here; nothing about a parameter is
// written anywhere else.

enum class ParameterWindowKind { Full, Basic };

enum class FieldKind { Text, List };

// How a write turns the field's text into a request.
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
    TimesTen,     // the field shows a tenth of the register
};

struct ListItem {
    const char16_t* text;
    int code; // what an enumeration write sends; -1 where the list holds numbers
};

struct FieldPlace {
    int column = 0; // from 1; 0: not in that window
    int row = 0;    // from 0, top down
};

struct Parameter {
    const char16_t* caption; // the full window's label; the decoders name fields by it
    int reg;                 // the first register
    WriteKind kind = WriteKind::None;
    FieldKind field = FieldKind::Text;
    std::span<const ListItem> items = {}; // in display order
    int maxLength = 0;                    // typed characters; 0: no limit
    bool digitsOnly = false;
    const char16_t* item = u"";   // `xiangmu` of the log row
    const char16_t* notice = u""; // the status line when the write fails
    FieldPlace full;
    bool fullWrites = false;
    FieldPlace basic = {};
    bool basicWrites = false;
    const char16_t* basicCaption = nullptr; // only where the basic label differs
    bool fillsBasicSerialBox = false;       // the serial number every basic write logs
    bool keepsStatus = false;               // the write leaves an earlier notice in place
    WriteRule rule = WriteRule::Common;

    QString captionText() const { return QString::fromUtf16(caption); }
    QString itemName() const { return QString::fromUtf16(item); }
    QString failureNotice() const { return QString::fromUtf16(notice); }
    // "... Error!  length=10 ": a serial text of the wrong length.
    QString lengthNotice() const;

    bool shownIn(ParameterWindowKind window) const { return placeIn(window).column > 0; }
    bool writtenIn(ParameterWindowKind window) const;
    FieldPlace placeIn(ParameterWindowKind window) const;
    QString labelIn(ParameterWindowKind window) const;

    QStringList itemTexts() const;
    // The code an enumeration write sends for a list text; nullopt for a text
    // outside the list, which must never go out.
    std::optional<int> codeOf(QStringView text) const;
};

// Captions the windows' code refers to by name.
namespace ParameterCaption {
inline constexpr char16_t digitalOutputType[] = u"Digital output type:";
inline constexpr char16_t kFactor[] = u"K factor:";
inline constexpr char16_t frequencyOutputSpan[] = u"Frquency output span:";
} // namespace ParameterCaption

// The notice of the enumeration writes and of a failed read.
namespace ParameterNotice {
inline constexpr char16_t com[] = u"Notice:  com:  Error!";
} // namespace ParameterNotice

namespace ParameterTable {

// Every parameter, in register order.
std::span<const Parameter> all();

// By the full window's caption; nullptr when there is none.
const Parameter* find(QStringView caption);

// The meter's serial number, which every write logs as `bianma`.
const Parameter& serialNumber();

// The parameters a window shows, ordered column by column, top down.
QList<const Parameter*> shownIn(ParameterWindowKind window);

} // namespace ParameterTable
