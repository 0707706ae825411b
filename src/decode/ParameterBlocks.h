#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// A parameter's display text, named by the caption of its label in the full
// parameter window.
//
// The basic window shows a subset under the same captions, with two
// exceptions that the window layer maps: the full window's "Empty Pipe
// Detection Switch:" is the basic window's "EPD Enable:", and
// "Transducer serial#:" also fills the basic window's hidden serial box
// (the serial number it logs with every write).
struct FieldText {
    QString caption;
    QString text;

    bool operator==(const FieldText&) const = default;
};

// Decodes the reply to parameter block 1 to 4 (registers 24-45, 46-70, 71-100
// and 101) into display texts in register order; in block 2 "Linearization
// enable:" comes before "Sensor Serial:". A field whose code is outside its
// list, or whose float is not a number, is left out: that field keeps its
// text. nullopt when the block number, the length, a hex digit or the CRC is
// wrong; then no field changes.
std::optional<QList<FieldText>> decodeParameterBlock(int block, QStringView hexText);
