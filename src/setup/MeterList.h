#pragma once

#include "MeterTable.h"

#include <QSqlDatabase>
#include <QStringList>
#include <optional>

// The list of meter addresses as the setup window edits it.
class MeterList {
public:
    enum class Outcome {
        EmptyBox,     // nothing to work on: nothing changed, nothing to reload
        Refused,      // not an address: nothing changed
        Done,         // carried out (a duplicate or a missing address included)
        StoreRefused, // the store would not take it: lastWrite() says why
    };

    explicit MeterList(QSqlDatabase db);

    // The listed addresses, ascending, as text.
    QStringList addresses() const;

    Outcome add(const QString& boxText);
    Outcome remove(const QString& boxText);
    // The store's answer to the last add or remove that reached it.
    const StoreWrite& lastWrite() const { return m_lastWrite; }

    // A meter address that can go on the line: 1 to 255 (0 is broadcast).
    static std::optional<int> meterAddress(const QString& text);

private:
    Outcome outcomeOf(const StoreWrite& write);

    MeterTable m_table;
    StoreWrite m_lastWrite;
};
