#include "ReportCommand.h"

#include "AlarmJournal.h"
#include "AlarmReport.h"
#include "ConsumptionCsv.h"
#include "CsvWriter.h"
#include "DataFolder.h"
#include "Database.h"
#include "ReportChart.h"
#include "ReportPdf.h"
#include "ReportStore.h"

#include <QChart>
#include <QSaveFile>
#include <QTimeZone>
#include <cstdio>

namespace {

int fail(int code, const QString& text) {
    std::fprintf(stderr, "rx7100-tool: %s\n", qPrintable(text.simplified()));
    return code;
}

// The journal's alarms that came, went or lasted over the local days.
QString writeAlarms(const QSqlDatabase& db, const ReportRequest& request) {
    const QTimeZone zone = QTimeZone::systemTimeZone();
    AlarmJournal::Search search;
    search.from = QDateTime(request.from, QTime(0, 0), zone).toMSecsSinceEpoch();
    search.to = QDateTime(request.to.addDays(1), QTime(0, 0), zone).toMSecsSinceEpoch() - 1;
    search.line = request.line;
    search.address = request.meter;
    search.newestFirst = false;
    ReportTable table;
    table.header = AlarmReport::header();
    table.rows = AlarmReport::rows(AlarmJournal(db).search(search),
                                   QDateTime::currentMSecsSinceEpoch(), zone);
    if (request.format == ReportRequest::Format::Pdf)
        return ReportPdf::write(request.path, ReportStore::title(request),
                                {QStringLiteral("Station: %1").arg(ReportStore::stationName(db)),
                                 QStringLiteral("Range: %1").arg(ReportStore::rangeText(request))},
                                table);
    CsvWriter csv(CsvWriter::Separator::Comma);
    csv.appendHeader(table.header);
    for (const QStringList& row : table.rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            const QByteArray utf8 = row[i].toUtf8();
            csv.appendField({utf8.constData(), std::size_t(utf8.size())}, CsvWriter::Kind::Text,
                            i == 0);
        }
        csv.endLine();
    }
    QSaveFile file(request.path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.text().data(), qint64(csv.text().size())) < 0 || !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(request.path, file.errorString());
    return {};
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
