#include "ReportCommand.h"

#include "ConsumptionCsv.h"
#include "DataFolder.h"
#include "Database.h"
#include "ReportChart.h"
#include "ReportPdf.h"
#include "ReportStore.h"

#include <QChart>
#include <cstdio>

namespace {

int fail(int code, const QString& text) {
    std::fprintf(stderr, "rx7100-tool: %s\n", qPrintable(text.simplified()));
    return code;
}

} // namespace

int ReportCommand::run(const QString& folderOption, const ReportRequest& request) {
    if (request.kind == ReportRequest::Kind::Alarms)
        return fail(BadArguments, QStringLiteral("--report alarms is not available yet."));
    const DataFolder folder = DataFolder::choose(DataFolder::standardPlaces(), folderOption);
    Database database(folder.path());
    if (!database.isOpen())
        return fail(StoreFailed, QStringLiteral("Cannot open %1 (SQLite error %2)")
                                     .arg(Database::filePath(folder.path()))
                                     .arg(database.errorCode()));
    const QSqlDatabase db = database.connection();
    const auto meters =
        ReportStore::chosen(ReportStore::listedMeters(db), request.line, request.meter);
    const ConsumptionReport::Result report = ReportStore::consumption(db, request, meters);
    if (!report.error.isEmpty())
        return fail(StoreFailed, QStringLiteral("Cannot read %1: %2")
                                     .arg(Database::filePath(folder.path()), report.error));
    QString error;
    if (request.format == ReportRequest::Format::Csv) {
        error = ConsumptionCsv::write(request.path, report);
    } else {
        QChart chart;
        ReportChart::fill(chart, report, request.by);
        error = ReportPdf::write(request.path, ReportStore::title(request),
                                 {QStringLiteral("Station: %1").arg(ReportStore::stationName(db)),
                                  QStringLiteral("Range: %1").arg(ReportStore::rangeText(request))},
                                 ReportTable::consumption(report, request.by), &chart);
    }
    return error.isEmpty() ? Written : fail(WriteFailed, error);
}
