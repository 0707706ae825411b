#pragma once

#include "ConsumptionRow.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>

// The day's consumption each meter publishes once after local midnight.
namespace DayConsumption {

// Milliseconds from `now` until `delayMs` past the next local midnight.
qint64 msUntilDue(const QDateTime& now, qint64 delayMs);

// {"date":"2026-10-25","forward":150,"reverse":75,"net":75,"unit":"m3",
// "notes":""}: an unknown volume is null.
QByteArray json(QDate day, const ConsumptionRow& row);

} // namespace DayConsumption
