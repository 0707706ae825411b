#pragma once

#include <array>

// Registers 0 to 23, a meter's real-time record, and the texts of its codes.
namespace RealtimeRegister {

inline constexpr int FlowRate = 0;        // float
inline constexpr int FlowRateUnit = 2;    // u16, a code of flowRateUnits
inline constexpr int ForwardWhole = 3;    // u32, the forward totalizer's whole part
inline constexpr int ForwardDecimal = 5;  // float, its decimal part
inline constexpr int TotalizerUnit = 7;   // u16, a code of totalizerUnits
inline constexpr int ReverseWhole = 8;    // u32
inline constexpr int ReverseDecimal = 10; // float
// Register 12 means nothing to the tool.
inline constexpr int FirstAlarm = 13;     // 13 to 17: one u16 flag each, an alarm when exactly 1
inline constexpr int FlowSpeed = 18;      // float, m/s
inline constexpr int SpanPercentage = 20; // float, %
inline constexpr int ElectrodeImpedance = 22; // float, ohm

} // namespace RealtimeRegister

namespace RealtimeMap {

// The flow-rate unit of each code. The parameter windows name the same
// settings otherwise; the two lists are kept apart.
inline constexpr std::array<const char16_t*, 9> flowRateUnits{
    u"l/s", u"l/min", u"gal/s", u"gal/min", u"ft3/s", u"ft3/min", u"m3/min", u"m3/h", u"CFM",
};

// The totalizers' unit of each code.
inline constexpr std::array<const char16_t*, 21> totalizerUnits{
    u"l",   u"Kl",  u"Ml",   u"gal",  u"Kgal", u"Mgal", u"m3",  u"Km3", u"Mm3",  u"af",   u"Kaf",
    u"Maf", u"ft3", u"Kft3", u"Mft3", u"AI",   u"KAI",  u"MAI", u"MID", u"KMID", u"MMID",
};

// What each alarm flag adds to the status, registers 13 to 17 in order.
inline constexpr std::array<const char16_t*, 5> alarmTexts{
    u",Excitation Alarm",   u",Low Battery Alarm",  u",Empty Pipe Alarm",
    u",Exceed Upper Limit", u",Exceed Lower Limit",
};

} // namespace RealtimeMap
