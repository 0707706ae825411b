#pragma once

#include "ConsumptionReport.h"
#include "ReportRequest.h"
#include "ReportTable.h"

#include <QSqlDatabase>
#include <QString>

// A report's inputs read from the store: the meters, the record interval,
// the station's name, and the report itself in the system's time zone.
namespace ReportStore {

// The listed meters, by line and then address.
QList<ConsumptionReport::Meter> listedMeters(const QSqlDatabase& db);
// The meters a request's line and meter pick from the listed ones. A meter
// no longer listed is still asked for by its number: its history stays.
QList<ConsumptionReport::Meter> chosen(const QList<ConsumptionReport::Meter>& listed,
                                       std::optional<int> line, std::optional<int> meter);
// The station's name, as published, else this computer's.
QString stationName(const QSqlDatabase& db);

ConsumptionReport::Result consumption(const QSqlDatabase& db, const ReportRequest& request,
                                      const QList<ConsumptionReport::Meter>& meters,
                                      const ConsumptionReport::Progress& progress = {});

// The alarm journal's rows that came, went or lasted over the request's
// local days, of its line and meter, oldest first, as the alarm CSV has them.
ReportTable alarms(const QSqlDatabase& db, const ReportRequest& request);

// How many periods the request's range holds, in the system's time zone.
qsizetype periodCount(const ReportRequest& request);

// "Consumption by day", ...
QString title(const ReportRequest& request);
// "2026-03-01 to 2026-03-31"
QString rangeText(const ReportRequest& request);

} // namespace ReportStore
