#include "DayConsumption.h"

#include "ConsumptionReport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace DayConsumption {

qint64 msUntilDue(const QDateTime& now, qint64 delayMs) {
    const QDateTime midnight(now.date().addDays(1), QTime(0, 0), now.timeZone());
    return now.msecsTo(midnight) + delayMs;
}

QByteArray json(QDate day, const ConsumptionRow& row) {
    // Volumes as the reports write them, three decimals at most.
    const auto volume = [](const std::optional<double>& value) {
        return value ? QJsonValue(ConsumptionReport::volumeText(value).toDouble())
                     : QJsonValue(QJsonValue::Null);
    };
    const QJsonObject object{
        {"date", day.toString(Qt::ISODate)},
        {"forward", volume(row.forward)},
        {"reverse", volume(row.reverse)},
        {"net", volume(row.net)},
        {"unit", row.unit},
        {"notes", row.notes()},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace DayConsumption
