#pragma once

#include "ConsumptionReport.h"
#include "ReportPeriods.h"

#include <QList>
#include <QStringList>

// A consumption report as the window and the PDF show it: a row per meter
// and period, then the meter's total.
struct ReportTable {
    QStringList header;
    QList<QStringList> rows;
    QList<int> totalRows; // indexes into rows

    // The header and rows as CSV, every field text, written whole or not
    // at all; the reason when it cannot be.
    QString writeCsv(const QString& path) const;

    static ReportTable consumption(const ConsumptionReport::Result& report, PeriodKind by);
    // A period's start as its label: the hour with its zone, since the
    // repeated hour of autumn comes twice.
    static QString periodLabel(const QDateTime& start, PeriodKind by);
};
