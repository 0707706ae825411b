#include "ReportStore.h"

#include "AlarmJournal.h"
#include "AlarmReport.h"
#include "MeterTable.h"
#include "PublishTable.h"
#include "ReportPeriods.h"
#include "SettingsTable.h"
#include "StoreSnapshotSource.h"
#include "Topics.h"
#include "WholeNumber.h"

#include <QTimeZone>
#include <algorithm>

namespace ReportStore {

QList<ConsumptionReport::Meter> listedMeters(const QSqlDatabase& db) {
    QList<ConsumptionReport::Meter> meters;
    for (const Reading& reading : MeterTable(db).readings())
        meters << ConsumptionReport::Meter{reading.line, reading.address};
    return meters;
}

QList<ConsumptionReport::Meter> chosen(const QList<ConsumptionReport::Meter>& listed,
                                       std::optional<int> line, std::optional<int> meter) {
    QList<ConsumptionReport::Meter> picked;
    std::copy_if(listed.begin(), listed.end(), std::back_inserter(picked),
                 [&](const ConsumptionReport::Meter& m) {
                     return (!line || m.line == *line) && (!meter || m.address == *meter);
                 });
    if (picked.isEmpty() && meter)
        picked << ConsumptionReport::Meter{line.value_or(1), *meter};
    return picked;
}

QString stationName(const QSqlDatabase& db) {
    const std::optional<PublishSettings> settings = PublishTable(db).read();
    return Topics::stationName(settings ? settings.value().station : QString());
}

ConsumptionReport::Result consumption(const QSqlDatabase& db, const ReportRequest& request,
                                      const QList<ConsumptionReport::Meter>& meters,
                                      const ConsumptionReport::Progress& progress) {
    const SettingsTable::Read settings = SettingsTable(db).read();
    // Minutes; without one no gap is marked.
    const std::optional<int> minutes =
        WholeNumber::parse(settings.settings.recordInterval, 1, 32767);
    ConsumptionReport::Query query;
    query.periods = {request.by, QTimeZone::systemTimeZone(),   request.from,
                     request.to, minutes.value_or(0) * 60000LL, request.unit};
    query.meters = meters;
    StoreSnapshotSource source(db);
    return ConsumptionReport::run(query, source, progress);
}

qsizetype periodCount(const ReportRequest& request) {
    const QList<qint64> bounds = ReportPeriods::boundaries(request.by, request.from, request.to,
                                                           QTimeZone::systemTimeZone());
    return std::max<qsizetype>(bounds.size() - 1, 0);
}

ReportTable alarms(const QSqlDatabase& db, const ReportRequest& request) {
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
    return table;
}

QString title(const ReportRequest& request) {
    if (request.kind == ReportRequest::Kind::Alarms)
        return QStringLiteral("Alarm journal");
    static const char* const by[] = {"hour", "day", "week", "month"};
    return QStringLiteral("Consumption by %1").arg(QLatin1String(by[int(request.by)]));
}

QString rangeText(const ReportRequest& request) {
    return QStringLiteral("%1 to %2")
        .arg(request.from.toString(Qt::ISODate), request.to.toString(Qt::ISODate));
}

} // namespace ReportStore
