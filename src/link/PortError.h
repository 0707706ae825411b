#pragma once

// Failure codes of the serial port, shown to the operator after
// "Invalid serial port!". 8002 is the one operators know from the meters'
// Windows tools; the others are ours.
namespace PortError {

inline constexpr int None = 0;
inline constexpr int NoSuchPort = 8002;          // number outside 1-10, or no device for it
inline constexpr int PortBusy = 8005;            // opened by another program, or no permission
inline constexpr int CannotOpen = 8010;          // the device refused to open for another reason
inline constexpr int InvalidLineSettings = 8015; // not "baud,parity,8,1"
inline constexpr int PortNotOpen = 8018;         // writing to a closed port

} // namespace PortError
