#include "ExportCommand.h"

#include "DataFolder.h"
#include "Database.h"

#include <cstdio>

namespace {

int fail(int code, const QString& text) {
    std::fprintf(stderr, "rx7100-tool: %s\n", qPrintable(text.simplified()));
    return code;
}

} // namespace

int ExportCommand::run(const QString& folderOption, const ExportRequest& request) {
    const DataFolder folder = DataFolder::choose(DataFolder::standardPlaces(), folderOption);
    Database database(folder.path());
    if (!database.isOpen())
        return fail(StoreFailed, QStringLiteral("Cannot open %1 (SQLite error %2)")
                                     .arg(Database::filePath(folder.path()))
                                     .arg(database.errorCode()));
    const ExportResult result = CsvExport::run(database.connection(), request);
    switch (result.outcome) {
    case ExportResult::Outcome::Written:
        return Written;
    case ExportResult::Outcome::BadDate:
        return fail(BadArguments, result.error);
    case ExportResult::Outcome::WriteFailed:
        return fail(WriteFailed, result.error);
    case ExportResult::Outcome::StoreFailed:
    case ExportResult::Outcome::Cancelled:
        break;
    }
    return fail(StoreFailed, result.error);
}
