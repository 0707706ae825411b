#pragma once

#include "CsvExport.h"

#include <QString>

// `rx7100-tool --export ...`: one export from the command line, with no
// window and no display. Says nothing when the file is written; otherwise
// one line on standard error and an exit code that tells what failed.
class ExportCommand {
public:
    // Exit codes.
    static constexpr int Written = 0;
    static constexpr int BadArguments = 1; // a bad option or date; the parser's own code
    static constexpr int StoreFailed = 2;  // the database cannot be opened or read
    static constexpr int WriteFailed = 3;  // the file cannot be written

    // `folderOption`: --folder as given, empty when not given; the data
    // folder is chosen as for the window, so the same database is read.
    static int run(const QString& folderOption, const ExportRequest& request);
};
