#include "ReportPeriods.h"

#include <QDateTime>

QList<qint64> ReportPeriods::boundaries(PeriodKind kind, QDate from, QDate to,
                                        const QTimeZone& zone) {
    QList<qint64> list;
    if (!from.isValid() || !to.isValid() || to < from || !zone.isValid())
        return list;
    const auto midnight = [&zone](QDate date) {
        return QDateTime(date, QTime(0, 0), zone).toMSecsSinceEpoch();
    };
    QDate first = from;
    QDate end = to.addDays(1);
    if (kind == PeriodKind::Week) {
        first = from.addDays(1 - from.dayOfWeek());
        end = to.addDays(8 - to.dayOfWeek());
    } else if (kind == PeriodKind::Month) {
        first = QDate(from.year(), from.month(), 1);
        end = QDate(to.year(), to.month(), 1).addMonths(1);
    }
    const qint64 last = midnight(end);
    if (kind == PeriodKind::Hour) {
        constexpr qint64 hour = 3600 * 1000;
        for (qint64 at = midnight(first); at < last; at += hour)
            list << at;
    } else {
        for (QDate date = first; date < end;
             date = kind == PeriodKind::Month ? date.addMonths(1)
                                              : date.addDays(kind == PeriodKind::Week ? 7 : 1))
            list << midnight(date);
    }
    list << last;
    return list;
}
