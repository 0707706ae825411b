#pragma once

#include "ConsumptionReport.h"
#include "ReportPeriods.h"

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// What a report asks for, from the command line or the Reports window.
struct ReportRequest {
    enum class Kind { Consumption, Alarms };
    enum class Format { Csv, Pdf };

    Kind kind = Kind::Consumption;
    QDate from;
    QDate to; // included
    PeriodKind by = PeriodKind::Day;
    std::optional<int> line;  // none: every line
    std::optional<int> meter; // none: every meter
    QString unit;             // empty: each meter's latest totalizer unit
    QString path;
    Format format = Format::Csv;
};
