#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// One meter's real-time record (registers 0 to 23) as the texts stored in its
// `yibiaodizhi` row. A nullopt column is left as it was: an unknown unit code,
// or a float that is not a number and so has no text.
struct RealtimeReading {
    int address = 0;                           // frame byte 0, selects the row
    std::optional<QString> flowRate;           // MinuteAverage, "0.00"
    std::optional<QString> flowRateUnit;       // danwei1
    std::optional<QString> forwardTotal;       // Foward, "0.00"
    std::optional<QString> reverseTotal;       // Reverse, "0.00"
    std::optional<QString> totalizerUnit;      // danwei2
    QString status;                            // zhuangtai
    std::optional<QString> flowSpeed;          // liusu, "0.00"
    std::optional<QString> spanPercentage;     // baifenbi, "0.00"
    std::optional<QString> electrodeImpedance; // dianzu, "0.00"
};

// nullopt when the text is not exactly 106 hex digits or its CRC does not
// match; such a reply is dropped without a trace.
std::optional<RealtimeReading> decodeRealtimeRecord(QStringView hexText);
