#include "BatchedDelete.h"

#include <QDate>
#include <QSqlQuery>
#include <QTime>
#include <algorithm>

namespace {

// Seconds of a stored 'yyyy-MM-dd HH:mm:ss' time, without the clock's
// daylight-saving steps.
qint64 seconds(const QString& time) {
    const QDate date = QDate::fromString(time.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime clock = QTime::fromString(time.mid(11), QStringLiteral("HH:mm:ss"));
    return date.toJulianDay() * 86400 + (clock.isValid() ? clock.msecsSinceStartOfDay() / 1000 : 0);
}

} // namespace

std::optional<BatchedDelete> BatchedDelete::range(const HistoryTable& table, const QSqlDatabase& db,
                                                  const QString& from, const QString& to,
                                                  const QString& filter, std::optional<int> line) {
    std::optional<HistoryTable::Range> rows = HistoryTable::range(from, to, filter, line);
    if (!rows)
        return std::nullopt;
    return BatchedDelete(table, db, std::move(rows));
}

BatchedDelete BatchedDelete::all(const HistoryTable& table, const QSqlDatabase& db) {
    return BatchedDelete(table, db, std::nullopt);
}

BatchedDelete::BatchedDelete(const HistoryTable& table, const QSqlDatabase& db,
                             std::optional<HistoryTable::Range> range)
    : m_table(&table), m_db(db), m_range(std::move(range)) {
    QSqlQuery last(m_db);
    if (!last.exec(QStringLiteral("select max(rowid) from %1").arg(m_table->table())) ||
        !last.next() || last.value(0).isNull()) {
        m_finished = true; // an empty table, or none at all
        return;
    }
    m_lastRow = last.value(0).toLongLong();
    m_startKey = key(Qt::AscendingOrder).value_or(QVariant());
    m_endKey = key(Qt::DescendingOrder).value_or(QVariant());
}

BoundStatement BatchedDelete::where(const char* rowTest) const {
    // Within a range the unary plus keeps the planner on the time index
    // rather than a walk of the table up to the last row; one row is found
    // by its number.
    const bool byTime = m_range && QLatin1String(rowTest) != QLatin1String("=");
    BoundStatement where{QStringLiteral(" where %1rowid%2?")
                             .arg(byTime ? QStringLiteral("+") : QString(), QLatin1String(rowTest)),
                         {m_lastRow}};
    if (m_range)
        where.sql += QStringLiteral(" and ") + m_table->condition(*m_range, where.values);
    return where;
}

QString BatchedDelete::order() const {
    return m_range ? m_table->timeColumn() : QStringLiteral("rowid");
}

BoundStatement BatchedDelete::batchStatement(int rows) const {
    BoundStatement batch = where("<");
    batch.sql = QStringLiteral("delete from %1 where rowid in (select rowid from %1")
                    .arg(m_table->table()) +
                batch.sql + QStringLiteral(" order by %1 limit ?)").arg(order());
    batch.values << rows;
    return batch;
}

BoundStatement BatchedDelete::lastRowStatement() const {
    BoundStatement last = where("=");
    last.sql.prepend(QStringLiteral("delete from %1").arg(m_table->table()));
    return last;
}

BoundStatement BatchedDelete::keyStatement(Qt::SortOrder order) const {
    BoundStatement key = where("<");
    key.sql = QStringLiteral("select %1 from %2").arg(this->order(), m_table->table()) + key.sql +
              QStringLiteral(" order by %1 %2 limit 1")
                  .arg(this->order(), order == Qt::AscendingOrder ? QStringLiteral("asc")
                                                                  : QStringLiteral("desc"));
    return key;
}

std::optional<QVariant> BatchedDelete::key(Qt::SortOrder order) const {
    QSqlQuery found(m_db);
    if (!keyStatement(order).runOn(found) || !found.next())
        return std::nullopt;
    return found.value(0);
}

std::optional<int> BatchedDelete::next(int rows) {
    if (m_finished)
        return 0;
    QSqlQuery batch(m_db);
    if (!batchStatement(rows).runOn(batch)) {
        m_finished = true;
        return std::nullopt;
    }
    const int count = batch.numRowsAffected();
    if (count >= rows)
        return count;
    // None is left before the last row: it goes too, if it is one of them.
    m_finished = true;
    QSqlQuery last(m_db);
    if (!lastRowStatement().runOn(last))
        return std::nullopt;
    return count + last.numRowsAffected();
}

double BatchedDelete::progress() const {
    if (m_finished)
        return 1.0;
    const std::optional<QVariant> at = key(Qt::AscendingOrder);
    if (!at || m_startKey.isNull())
        return 1.0;
    // Times as seconds, row numbers as they are.
    const auto number = [this](const QVariant& key) {
        return m_range ? seconds(key.toString()) : key.toLongLong();
    };
    const qint64 first = number(m_startKey);
    const qint64 span = number(m_endKey) - first;
    const double done = span > 0 ? double(number(*at) - first) / double(span) : 0;
    return std::clamp(done, 0.0, 1.0);
}
