#include "HistoryTable.h"

#include <QDate>

const HistoryTable& HistoryTable::snapshots() {
    static const HistoryTable table(QStringLiteral("Historydata"), QStringLiteral("CreateTime"),
                                    QStringLiteral("dizhi"));
    return table;
}

const HistoryTable& HistoryTable::operationLog() {
    static const HistoryTable table(QStringLiteral("caozuo"), QStringLiteral("riqi"),
                                    QStringLiteral("bianma"));
    return table;
}

HistoryTable::HistoryTable(QString table, QString timeColumn, QString filterColumn)
    : m_table(std::move(table)), m_timeColumn(std::move(timeColumn)),
      m_filterColumn(std::move(filterColumn)) {}

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

BoundStatement HistoryTable::firstRows() const {
    return {QStringLiteral("select * from %1 ORDER BY %2 asc limit 50").arg(m_table, m_timeColumn),
            {}};
}

BoundStatement HistoryTable::noRows() const {
    return {QStringLiteral("select * from %1 where 0").arg(m_table), {}};
}

std::optional<BoundStatement> HistoryTable::range(const QString& from, const QString& to,
                                                  const QString& filter) const {
    const std::optional<QString> first = dayStart(from);
    const std::optional<QString> last = dayStart(to);
    if (!first || !last)
        return std::nullopt;
    // Times are stored as 'yyyy-MM-dd HH:mm:ss' text, so comparing texts
    // compares times, and the (filter, time) and (time) indexes serve it.
    BoundStatement where{QStringLiteral(" where %1 between ? and ?").arg(m_timeColumn),
                         {*first, *last}};
    if (!meansEveryone(filter)) {
        where.sql += QStringLiteral(" and %1=?").arg(m_filterColumn);
        where.values << filter.trimmed();
    }
    return where;
}

std::optional<BoundStatement> HistoryTable::search(const QString& from, const QString& to,
                                                   const QString& filter) const {
    std::optional<BoundStatement> statement = range(from, to, filter);
    if (statement)
        statement->sql = QStringLiteral("select * from %1").arg(m_table) + statement->sql +
                         QStringLiteral(" ORDER BY %1 asc").arg(m_timeColumn);
    return statement;
}

std::optional<BoundStatement> HistoryTable::rangedDelete(const QString& from, const QString& to,
                                                         const QString& filter) const {
    std::optional<BoundStatement> statement = range(from, to, filter);
    if (statement)
        statement->sql = QStringLiteral("delete from %1").arg(m_table) + statement->sql;
    return statement;
}

BoundStatement HistoryTable::deleteAll() const {
    return {QStringLiteral("delete from %1").arg(m_table), {}};
}
