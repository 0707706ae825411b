#include "ReportTable.h"

#include "CsvWriter.h"

#include <QSaveFile>

QString ReportTable::writeCsv(const QString& path) const {
    CsvWriter csv(CsvWriter::Separator::Comma);
    csv.appendHeader(header);
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            const QByteArray utf8 = row[i].toUtf8();
            csv.appendField({utf8.constData(), std::size_t(utf8.size())}, CsvWriter::Kind::Text,
                            i == 0);
        }
        csv.endLine();
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.text().data(), qint64(csv.text().size())) < 0 || !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return {};
}

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
