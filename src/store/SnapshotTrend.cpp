#include "SnapshotTrend.h"

#include "StoredLine.h"

namespace SnapshotTrend {

namespace {

// The meter's rows of the span, of its line when given.
BoundStatement meterRows(const QString& select, const QString& meter, const QString& first,
                         const QString& last, std::optional<int> line) {
    BoundStatement statement{
        select + QStringLiteral(" from Historydata where dizhi=? and CreateTime between ? and ?"),
        {meter, first, last}};
    if (line) {
        statement.sql += QStringLiteral(" and line=?");
        statement.values << *line;
    }
    return statement;
}

} // namespace

BoundStatement rows(const QString& meter, const QString& first, const QString& last,
                    std::optional<int> line) {
    BoundStatement statement = meterRows(
        QStringLiteral("select CreateTime,MinuteAverage,liusu,Foward"), meter, first, last, line);
    statement.sql += QStringLiteral(" ORDER BY CreateTime asc");
    return statement;
}

BoundStatement units(const QString& meter, const QString& first, const QString& last,
                     std::optional<int> line) {
    BoundStatement statement =
        meterRows(QStringLiteral("select danwei1,danwei2"), meter, first, last, line);
    statement.sql += QStringLiteral(" and danwei1<>'' ORDER BY CreateTime desc limit 1");
    return statement;
}

BoundStatement hours(const QString& meter, qint64 first, qint64 last, std::optional<int> line) {
    BoundStatement statement{QStringLiteral("select hour,flow_min,flow_max,last_at,last_forward,"
                                            "unit from rollups where line"),
                             {}};
    // Every line named, so each is a range of the key rather than a walk.
    if (line) {
        statement.sql += QStringLiteral("=?");
        statement.values << *line;
    } else {
        QStringList lines;
        for (int number = 1; number <= StoredLine::MaxLines; ++number)
            lines << QString::number(number);
        statement.sql += QStringLiteral(" in (%1)").arg(lines.join(QLatin1Char(',')));
    }
    statement.sql += QStringLiteral(" and address=? and hour between ? and ? order by hour");
    bool number = false;
    const int address = meter.trimmed().toInt(&number);
    statement.values << (number ? QVariant(address) : QVariant(meter)) << first - first % 3600
                     << last;
    return statement;
}

} // namespace SnapshotTrend
