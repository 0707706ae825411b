#pragma once

#include <QtGlobal>
#include <optional>
#include <string_view>

// One `Historydata` row as a fast scan sees it: the texts as SQLite keeps
// them, valid until the scan moves on.
struct HistoryRow {
    qint64 row = 0; // rowid
    int line = 1;
    int address = 0;
    std::string_view flowRate;
    std::string_view forward;
    std::string_view reverse;
    std::string_view unit;
    std::string_view status;
    std::string_view createTime;
    std::optional<qint64> readAt; // ms since 1970 UTC
};
