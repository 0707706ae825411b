#include "ReportCommand.h"

#include "ConsumptionCsv.h"
#include "DataFolder.h"
#include "Database.h"
#include "ReportChart.h"
#include "ReportPdf.h"
#include "ReportStore.h"

#include <QChart>
#include <QTimeZone>
#include <cstdio>

namespace {

int fail(int code, const QString& text) {
    std::fprintf(stderr, "rx7100-tool: %s\n", qPrintable(text.simplified()));
    return code;
}

// The journal's alarms over the range, to CSV or PDF.
QString writeAlarms(const QSqlDatabase& db, const ReportRequest& request) {
    const ReportTable table = ReportStore::alarms(db, request);
    if (request.format == ReportRequest::Format::Csv)
        return table.writeCsv(request.path);
    return ReportPdf::write(request.path, ReportStore::title(request),
                            {QStringLiteral("Station: %1").arg(ReportStore::stationName(db)),
                             QStringLiteral("Range: %1").arg(ReportStore::rangeText(request))},
                            table);
}

} // namespace

int ReportCommand::run(const QString& folderOption, const ReportRequest& request) {
    const DataFolder folder = DataFolder::choose(DataFolder::standardPlaces(), folderOption);
    Database database(folder.path());
    if (!database.isOpen())
        return fail(StoreFailed, QStringLiteral("Cannot open %1 (SQLite error %2)")
                                     .arg(Database::filePath(folder.path()))
                                     .arg(database.errorCode()));
    const QSqlDatabase db = database.connection();
    if (request.kind == ReportRequest::Kind::Alarms) {
        const QString error = writeAlarms(db, request);
        return error.isEmpty() ? Written : fail(WriteFailed, error);
    }
    const auto meters =
        ReportStore::chosen(ReportStore::listedMeters(db), request.line, request.meter);
    // The report is worked out whole before it is written: a size that
    // would take gigabytes is refused rather than tried.
    const qsizetype rows = ReportStore::periodCount(request) * meters.size();
    if (rows > MostRows)
        return fail(BadArguments, QStringLiteral("That is %1 rows, more than %2: choose a shorter "
                                                 "range, a longer period or fewer meters.")
                                      .arg(rows)
                                      .arg(MostRows));
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
