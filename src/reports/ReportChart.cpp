#include "ReportChart.h"

#include "ReportTable.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QValueAxis>

namespace ReportChart {

void fill(QChart& chart, const ConsumptionReport::Result& report, PeriodKind by) {
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
    auto* series = new QBarSeries;
    QStringList categories;
    QString unit;
    for (const ConsumptionReport::MeterRows& meter : report.meters) {
        auto* set = new QBarSet(
            QStringLiteral("Line %1 meter %2").arg(meter.meter.line).arg(meter.meter.address));
        for (const ConsumptionRow& row : meter.rows)
            *set << row.net.value_or(row.forward.value_or(0));
        series->append(set);
        if (categories.isEmpty())
            for (const ConsumptionRow& row : meter.rows)
                categories << ReportTable::periodLabel(row.start, by);
        // Meters in different units share the axis without one.
        if (!meter.rows.isEmpty())
            unit = unit.isNull() || unit == meter.rows.front().unit ? meter.rows.front().unit
                                                                    : QStringLiteral("");
    }
    chart.addSeries(series);
    auto* periods = new QBarCategoryAxis;
    periods->append(categories);
    periods->setLabelsAngle(categories.size() > 12 ? -90 : 0);
    chart.addAxis(periods, Qt::AlignBottom);
    series->attachAxis(periods);
    auto* volume = new QValueAxis;
    volume->setTitleText(QStringLiteral("Net %1").arg(unit).trimmed());
    chart.addAxis(volume, Qt::AlignLeft);
    series->attachAxis(volume);
    chart.legend()->setVisible(true);
    chart.legend()->setAlignment(Qt::AlignBottom);
}

} // namespace ReportChart
