#pragma once

#include <QString>
#include <optional>

// The reading columns of a meter's row as one reply fills them; a column
// left nullopt keeps what it held (an unknown unit code, say).
struct StoredReading {
    std::optional<QString> MinuteAverage;
    std::optional<QString> danwei1;
    std::optional<QString> Foward;
    std::optional<QString> Reverse;
    std::optional<QString> danwei2;
    std::optional<QString> zhuangtai;
    std::optional<QString> liusu;
    std::optional<QString> baifenbi;
    std::optional<QString> dianzu;
};
