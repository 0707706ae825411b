#pragma once

// Failure codes of reading the settings row. Start-up shows them after
// "Invalid serial port!", and a parameter window's port set-up stops at
// them. A database file that cannot be opened is reported with SQLite's
// own code (14) instead; these say what is wrong once the file is open.
namespace StoreError {

inline constexpr int Overflow = 6;        // a number beyond the 16 bits it is kept in
inline constexpr int TypeMismatch = 13;   // a value that is not a number
inline constexpr int NoCurrentRow = 3021; // the table has no row
inline constexpr int RowSetClosed = 3704; // the table cannot be read (missing, damaged)

} // namespace StoreError
