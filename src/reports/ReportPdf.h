#pragma once

#include "ReportTable.h"

#include <QString>
#include <QStringList>

class QChart;

// A report as a PDF by Qt's own writer: the title, the lines under it (the
// station, the range), the table over as many A4 pages as it needs, then
// the chart when there is one.
namespace ReportPdf {

// Writes the file whole or not at all; the reason when it cannot.
QString write(const QString& path, const QString& title, const QStringList& lines,
              const ReportTable& table, QChart* chart = nullptr);

} // namespace ReportPdf
