#include "HistoryRows.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

constexpr int FirstRowsCount = 50;

} // namespace

HistoryRows HistoryRows::firstRows(const HistoryTable& table, const QSqlDatabase& db) {
    return HistoryRows(table, db, Kind::First, std::nullopt);
}

std::optional<HistoryRows> HistoryRows::search(const HistoryTable& table, const QSqlDatabase& db,
                                               const QString& from, const QString& to,
                                               const QString& filter, std::optional<int> line) {
    std::optional<HistoryTable::Range> rows = HistoryTable::range(from, to, filter, line);
    if (!rows)
        return std::nullopt;
    return HistoryRows(table, db, Kind::Range, std::move(rows));
}

HistoryRows HistoryRows::none(const HistoryTable& table, const QSqlDatabase& db) {
    return HistoryRows(table, db, Kind::None, std::nullopt);
}

HistoryRows::HistoryRows(const HistoryTable& table, QSqlDatabase db, Kind kind,
                         std::optional<HistoryTable::Range> range)
    : m_table(&table), m_db(std::move(db)), m_kind(kind), m_range(std::move(range)) {
    if (!m_db.isOpen())
        return;
    QSqlQuery columns(m_db);
    if (columns.exec(QStringLiteral("select %1 from %2 where 0")
                         .arg(m_table->columnsWithLine(), m_table->table()))) {
        const QSqlRecord record = columns.record();
        for (int i = 0; i < record.count(); ++i)
            m_columns << record.fieldName(i);
    }
    QSqlQuery last(m_db);
    if (last.exec(QStringLiteral("select max(rowid) from %1").arg(m_table->table())) && last.next())
        m_lastRow = last.value(0).toLongLong();
}

HistoryRows HistoryRows::refreshed() const {
    return HistoryRows(*m_table, m_db, m_kind, m_range);
}

BoundStatement HistoryRows::pageStatement(const std::optional<Key>& after, int count) const {
    const QString time = m_table->timeColumn();
    // Rows stored since are left out by their higher row number; the unary
    // plus keeps the planner on the time index.
    BoundStatement statement{QStringLiteral("select rowid,%1 from %2 where +rowid<=?")
                                 .arg(m_table->columnsWithLine(), m_table->table()),
                             {m_lastRow}};
    if (m_range) {
        // A later page starts its index range at its key's time.
        HistoryTable::Range rows = *m_range;
        if (after)
            rows.first = after->time.toString();
        statement.sql += QStringLiteral(" and ") + m_table->condition(rows, statement.values);
        if (after) {
            statement.sql += QStringLiteral(" and (%1>? or rowid>?)").arg(time);
            statement.values << after->time << after->row;
        }
    }
    statement.sql += QStringLiteral(" order by %1 asc,rowid asc limit ?").arg(time);
    statement.values << (m_kind == Kind::First ? FirstRowsCount : count);
    return statement;
}

HistoryRows::Page HistoryRows::after(const std::optional<Key>& after, int count) const {
    Page page;
    if (m_columns.isEmpty() || m_kind == Kind::None || (m_kind == Kind::First && after))
        return page;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!pageStatement(after, count).runOn(query))
        return page;
    const int columns = int(m_columns.size());
    const int timeAt = int(m_columns.indexOf(m_table->timeColumn())) + 1;
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 1; i <= columns; ++i)
            row << query.value(i);
        page.rows << row;
        page.last = Key{query.value(timeAt), query.value(0).toLongLong()};
    }
    return page;
}
