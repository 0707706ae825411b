#pragma once

#include "ReportRequest.h"

#include <QString>

// `rx7100-tool --report ...`: one report from the command line, without a
// window, to CSV or PDF. Exit codes and messages as ExportCommand's.
class ReportCommand {
public:
    static constexpr int Written = 0;
    static constexpr int BadArguments = 1;
    static constexpr int StoreFailed = 2;
    static constexpr int WriteFailed = 3;
    // Rows of meters and periods one report takes: years of every hour of
    // dozens of meters, not hundreds of meters since 2000 by the hour.
    static constexpr qsizetype MostRows = 2'000'000;

    static int run(const QString& folderOption, const ReportRequest& request);
};
