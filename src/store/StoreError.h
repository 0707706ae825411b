#pragma once

#include <QString>

// Failure codes of reading the settings row. Start-up shows them after
// "Invalid serial port!", and a parameter window's port set-up stops at
// them. A database file that cannot be opened is reported with SQLite's
// own code (14) instead; these say what is wrong once the file is open.
namespace StoreError {

inline constexpr int Overflow = 6;        // a number beyond the 16 bits it is kept in
inline constexpr int TypeMismatch = 13;   // a value that is not a number
inline constexpr int NoCurrentRow = 3021; // the table has no row
inline constexpr int RowSetClosed = 3704; // the table cannot be read (missing, damaged)

// Why a database file could not be used, for the operator: the code alone
// tells a missing file from a missing table no better than from a cable.
enum class Fault {
    None,
    Missing,    // no file at all
    Unreadable, // there, but not to be opened for reading and writing
    Locked,     // another program holds it
    Damaged,    // not a database, or a damaged one
    NoTable,    // no settings table
    NoRow,      // a settings table without its row
};

// What is wrong with the file, to follow its name.
inline QString faultText(Fault fault) {
    switch (fault) {
    case Fault::None:
        return {};
    case Fault::Missing:
        return QStringLiteral("is missing");
    case Fault::Unreadable:
        return QStringLiteral("cannot be opened for reading and writing");
    case Fault::Locked:
        return QStringLiteral("is locked by another program");
    case Fault::Damaged:
        return QStringLiteral("is damaged or is no database");
    case Fault::NoTable:
        return QStringLiteral("has no table kente");
    case Fault::NoRow:
        return QStringLiteral("has no settings row in table kente");
    }
    return {};
}

} // namespace StoreError
