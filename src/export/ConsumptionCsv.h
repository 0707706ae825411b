#pragma once

#include "ConsumptionReport.h"

#include <QByteArray>
#include <QString>

// A consumption report as CSV: one row per meter and period, times as
// ISO 8601 with their offset, an unknown volume empty, the marks as words.
namespace ConsumptionCsv {

QByteArray text(const ConsumptionReport::Result& report);

// Writes the file whole or not at all; the reason when it cannot.
QString write(const QString& path, const ConsumptionReport::Result& report);

} // namespace ConsumptionCsv
