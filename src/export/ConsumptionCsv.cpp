#include "ConsumptionCsv.h"

#include "CsvWriter.h"

#include <QSaveFile>

namespace ConsumptionCsv {

QByteArray text(const ConsumptionReport::Result& report) {
    CsvWriter csv(CsvWriter::Separator::Comma);
    csv.appendHeader({"Line", "Meter Address", "Period Start", "Period End", "Forward", "Reverse",
                      "Net", "Unit", "Notes"});
    for (const ConsumptionReport::MeterRows& meter : report.meters) {
        for (const ConsumptionRow& row : meter.rows) {
            const QStringList fields{QString::number(meter.meter.line),
                                     QString::number(meter.meter.address),
                                     row.start.toString(Qt::ISODate),
                                     row.end.toString(Qt::ISODate),
                                     ConsumptionReport::volumeText(row.forward),
                                     ConsumptionReport::volumeText(row.reverse),
                                     ConsumptionReport::volumeText(row.net),
                                     row.unit,
                                     row.notes()};
            for (qsizetype i = 0; i < fields.size(); ++i) {
                const QByteArray utf8 = fields[i].toUtf8();
                csv.appendField({utf8.constData(), std::size_t(utf8.size())}, CsvWriter::Kind::Text,
                                i == 0);
            }
            csv.endLine();
        }
    }
    return QByteArray(csv.text().data(), qsizetype(csv.text().size()));
}

QString write(const QString& path, const ConsumptionReport::Result& report) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text(report)) < 0 || !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return {};
}

} // namespace ConsumptionCsv
