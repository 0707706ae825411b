#pragma once

#include <QString>

// Failure codes of the serial port: what start-up shows after "Invalid
// serial port!" and what ends a window's port set-up. 8002 gets a message
// of its own, since the port number leads to no device at all; a busy or
// forbidden port comes with a hint of what the operator can do.
namespace PortError {

inline constexpr int None = 0;
inline constexpr int NoSuchPort = 8002;          // number outside 1-10, or no device for it
inline constexpr int PortBusy = 8005;            // opened by another program
inline constexpr int NoPermission = 8006;        // this user may not open the device
inline constexpr int CannotOpen = 8010;          // the device refused to open for another reason
inline constexpr int InvalidLineSettings = 8015; // not "baud,parity,8,1"
inline constexpr int PortNotOpen = 8018;         // writing to a closed port

// What the operator can do about a failure; empty when a code alone says it.
inline QString hint(int code) {
    switch (code) {
    case NoPermission:
        return QStringLiteral("This user may not open the serial port: add your user to the "
                              "dialout group, then log in again.");
    case PortBusy:
        return QStringLiteral("Another program is using the serial port: close it, then try "
                              "again.");
    default:
        return {};
    }
}

} // namespace PortError
