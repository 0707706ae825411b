#pragma once

#include "MeterTable.h"

#include <QSqlDatabase>
#include <QStringList>
#include <optional>

// The list of meter addresses as the setup window edits it.
class MeterList {
public:
    enum class Outcome {
        EmptyBox, // nothing to work on: nothing changed, nothing to reload
        Refused,  // not an address: nothing changed
        Done,     // carried out (a duplicate or a missing address included)
    };

    explicit MeterList(QSqlDatabase db);

    // The listed addresses, ascending, as text.
    QStringList addresses() const;

    Outcome add(const QString& boxText);
    Outcome remove(const QString& boxText);

    // A meter address that can go on the line: 1 to 255 (0 is broadcast).
    static std::optional<int> meterAddress(const QString& text);

private:
    MeterTable m_table;
};
