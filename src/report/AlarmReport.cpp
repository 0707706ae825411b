#include "AlarmReport.h"

#include <QDateTime>

QStringList AlarmReport::header() {
    return {QStringLiteral("Line"),         QStringLiteral("Meter Address"),
            QStringLiteral("Alarm"),        QStringLiteral("Came"),
            QStringLiteral("Went"),         QStringLiteral("Duration (s)"),
            QStringLiteral("Acknowledged"), QStringLiteral("Acknowledged By")};
}

QString AlarmReport::timeText(qint64 utcMs, const QTimeZone& zone) {
    // By hand: Qt writes UTC as "Z", and the column keeps one form for every zone.
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(utcMs, zone);
    const int offset = at.offsetFromUtc();
    return at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
               .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

qint64 AlarmReport::seconds(const AlarmOccurrence& alarm, qint64 now) {
    return std::max<qint64>(0, (alarm.went.value_or(now) - alarm.came) / 1000);
}

QList<QStringList> AlarmReport::rows(const QList<AlarmOccurrence>& journal, qint64 now,
                                     const QTimeZone& zone) {
    QList<QStringList> rows;
    rows.reserve(journal.size());
    const auto optionalTime = [&zone](std::optional<qint64> at) {
        return at ? timeText(*at, zone) : QString();
    };
    for (const AlarmOccurrence& alarm : journal)
        rows << QStringList{QString::number(alarm.line),
                            QString::number(alarm.address),
                            alarm.alarm,
                            timeText(alarm.came, zone),
                            optionalTime(alarm.went),
                            QString::number(seconds(alarm, now)),
                            optionalTime(alarm.acknowledgedAt),
                            alarm.acknowledgedBy ? QString::number(*alarm.acknowledgedBy)
                                                 : QString()};
    return rows;
}
