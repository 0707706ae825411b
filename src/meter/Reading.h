#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

// One meter's real-time reading as the tool stores, shows and passes it
// on: the texts of its values and the time it was stored. A value left
// nullopt keeps what was there before (a unit code outside its table, a
// float that is not a number, a column not yet filled).
struct Reading {
    // A meter is its line and its address: address 5 may be on two lines.
    int line = 1;
    int address = 0;
    std::optional<QString> flowRate;           // "0.00"
    std::optional<QString> flowRateUnit;       // "m3/h"
    std::optional<QString> forwardTotal;       // "0.00"
    std::optional<QString> reverseTotal;       // "0.00"
    std::optional<QString> totalizerUnit;      // "m3"
    std::optional<QString> status;             // "Communication OK" and its alarms
    std::optional<QString> flowSpeed;          // m/s, "0.00"
    std::optional<QString> spanPercentage;     // %, "0.00"
    std::optional<QString> electrodeImpedance; // ohm, "0.00"
    QDateTime time;                            // when it was stored; invalid before

    // Takes every value and the time that `newer` has, keeping the others.
    void update(const Reading& newer);
};

// The values of a reading one by one, in the order the meter's row keeps
// them, for whatever walks them: the store's columns, exports, messages.
struct ReadingValue {
    const char* key; // a plain name for the value
    std::optional<QString> Reading::*member;
};

inline constexpr std::array<ReadingValue, 9> readingValues{{
    {"flowRate", &Reading::flowRate},
    {"flowRateUnit", &Reading::flowRateUnit},
    {"forwardTotal", &Reading::forwardTotal},
    {"reverseTotal", &Reading::reverseTotal},
    {"totalizerUnit", &Reading::totalizerUnit},
    {"status", &Reading::status},
    {"flowSpeed", &Reading::flowSpeed},
    {"spanPercentage", &Reading::spanPercentage},
    {"electrodeImpedance", &Reading::electrodeImpedance},
}};
