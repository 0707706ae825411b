#include "HistoryTable.h"

#include <QDate>
#include <QSqlQuery>

bool BoundStatement::runOn(QSqlQuery& query) const {
    if (!query.prepare(sql))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec();
}

const HistoryTable& HistoryTable::snapshots() {
    // A snapshot's line picks rows but is not shown: the rows show what
    // they always have. An export writes it, after them.
    static const HistoryTable table(
        QStringLiteral("Historydata"), QStringLiteral("CreateTime"), QStringLiteral("dizhi"),
        QStringLiteral("dizhi,MinuteAverage,danwei1,Foward,Reverse,danwei2,zhuangtai,liusu,"
                       "baifenbi,dianzu,CreateTime"),
        QStringLiteral("line"));
    return table;
}

const HistoryTable& HistoryTable::operationLog() {
    static const HistoryTable table(QStringLiteral("caozuo"), QStringLiteral("riqi"),
                                    QStringLiteral("bianma"));
    return table;
}

HistoryTable::HistoryTable(QString table, QString timeColumn, QString filterColumn, QString columns,
                           QString lineColumn)
    : m_table(std::move(table)), m_timeColumn(std::move(timeColumn)),
      m_filterColumn(std::move(filterColumn)), m_columns(std::move(columns)),
      m_lineColumn(std::move(lineColumn)) {}

QString HistoryTable::columnsWithLine() const {
    return m_lineColumn.isEmpty() ? m_columns : m_columns + QLatin1Char(',') + m_lineColumn;
}

std::optional<QString> HistoryTable::dayStart(const QString& typed) {
    // "2024-3-5" is read as readily as "2024-03-05"; anything else, or a day
    // the calendar lacks, is no date.
    const QDate day = QDate::fromString(typed.trimmed(), QStringLiteral("yyyy-M-d"));
    if (!day.isValid())
        return std::nullopt;
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

bool HistoryTable::meansEveryone(const QString& filter) {
    return filter.isEmpty() || filter == QStringLiteral("All");
}

std::optional<HistoryTable::Range> HistoryTable::range(const QString& from, const QString& to,
                                                       const QString& filter,
                                                       std::optional<int> line) {
    const std::optional<QString> first = dayStart(from);
    const std::optional<QString> last = dayStart(to);
    if (!first || !last)
        return std::nullopt;
    Range range{*first, *last, std::nullopt, line};
    if (!meansEveryone(filter))
        range.only = filter.trimmed();
    return range;
}

QString HistoryTable::condition(const Range& range, QVariantList& values) const {
    QString sql = QStringLiteral("%1 between ? and ?").arg(m_timeColumn);
    values << range.first << range.last;
    if (range.only) {
        sql += QStringLiteral(" and %1=?").arg(m_filterColumn);
        values << *range.only;
    }
    if (range.line && !m_lineColumn.isEmpty()) {
        sql += QStringLiteral(" and %1=?").arg(m_lineColumn);
        values << *range.line;
    }
    return sql;
}

std::optional<BoundStatement> HistoryTable::search(const QString& from, const QString& to,
                                                   const QString& filter,
                                                   std::optional<int> line) const {
    const std::optional<Range> rows = range(from, to, filter, line);
    if (!rows)
        return std::nullopt;
    BoundStatement statement;
    statement.sql = QStringLiteral("select %1 from %2 where ").arg(columnsWithLine(), m_table) +
                    condition(*rows, statement.values) +
                    QStringLiteral(" ORDER BY %1 asc").arg(m_timeColumn);
    return statement;
}
