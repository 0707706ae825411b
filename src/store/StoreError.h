#pragma once

// Failure codes of the store beside SQLite's own (14 for a file that
// cannot be opened, 1 for a failed statement). They are the numbers the
// meters' Windows tools showed for the same failures.
namespace StoreError {

inline constexpr int Overflow = 6;        // a value too large for its 16-bit field
inline constexpr int TypeMismatch = 13;   // a value that is not a number
inline constexpr int NoCurrentRow = 3021; // the row set has no row (empty table)
inline constexpr int RowSetClosed = 3704; // the statement behind the row set failed

} // namespace StoreError
