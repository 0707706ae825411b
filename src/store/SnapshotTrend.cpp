#include "SnapshotTrend.h"

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

} // namespace SnapshotTrend
