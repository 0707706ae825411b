#pragma once

#include "ReplyKind.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// A parameter's display text, named by its first register.
struct FieldText {
    int reg;
    QString text;

    bool operator==(const FieldText&) const = default;
};

// Decodes the reply to a parameter block into display texts, in register
// order. A field whose code is outside its list, or whose float is not a
// number, is left out: that field keeps its text. nullopt when `kind` is
// no parameter block, or the length, a hex digit or the CRC is wrong; then
// no field changes.
std::optional<QList<FieldText>> decodeParameterBlock(ReplyKind kind, QStringView hexText);
