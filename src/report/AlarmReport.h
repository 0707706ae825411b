#pragma once

#include "AlarmOccurrence.h"

#include <QList>
#include <QStringList>
#include <QTimeZone>

// The alarm journal over a range as the rows of a CSV report, one row per
// alarm, in the order given. Times are ISO 8601 with their offset in
// `zone`; an alarm still active has no Went and lasts until `now`.
class AlarmReport {
public:
    static QStringList header();
    static QList<QStringList> rows(const QList<AlarmOccurrence>& journal, qint64 now,
                                   const QTimeZone& zone = QTimeZone::systemTimeZone());
    // "2026-03-29T03:00:00+02:00".
    static QString timeText(qint64 utcMs, const QTimeZone& zone);
    // Whole seconds the alarm lasted, or has lasted until `now`.
    static qint64 seconds(const AlarmOccurrence& alarm, qint64 now);
};
