#include "ReportTable.h"

ReportTable ReportTable::consumption(const ConsumptionReport::Result& report, PeriodKind by) {
    ReportTable table;
    table.header = QStringList{"Line",    "Meter", "Period Start", "Period End", "Forward",
                               "Reverse", "Net",   "Unit",         "Notes"};
    const auto row = [&](const ConsumptionReport::Meter& meter, const QString& start,
                         const QString& end, const ConsumptionRow& values) {
        table.rows << QStringList{QString::number(meter.line),
                                  QString::number(meter.address),
                                  start,
                                  end,
                                  ConsumptionReport::volumeText(values.forward),
                                  ConsumptionReport::volumeText(values.reverse),
                                  ConsumptionReport::volumeText(values.net),
                                  values.unit,
                                  values.notes()};
    };
    for (const ConsumptionReport::MeterRows& meter : report.meters) {
        for (const ConsumptionRow& values : meter.rows)
            row(meter.meter, periodLabel(values.start, by), periodLabel(values.end, by), values);
        table.totalRows << int(table.rows.size());
        row(meter.meter, QStringLiteral("Total"), QString(), meter.total);
    }
    return table;
}

QString ReportTable::periodLabel(const QDateTime& start, PeriodKind by) {
    switch (by) {
    case PeriodKind::Hour:
        return start.toString(QStringLiteral("yyyy-MM-dd HH:mm t"));
    case PeriodKind::Day:
    case PeriodKind::Week:
        return start.toString(QStringLiteral("yyyy-MM-dd"));
    case PeriodKind::Month:
        return start.toString(QStringLiteral("yyyy-MM"));
    }
    return {};
}
