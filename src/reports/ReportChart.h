#pragma once

#include "ConsumptionReport.h"
#include "ReportPeriods.h"

class QChart;

// The bar chart of a consumption report: net volume per period, one series
// of bars per meter, in the window and in the PDF alike.
namespace ReportChart {

// Replaces what the chart shows with the report.
void fill(QChart& chart, const ConsumptionReport::Result& report, PeriodKind by);

} // namespace ReportChart
