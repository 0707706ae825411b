#include "ReadAhead.h"

#include "BatchedDelete.h"
#include "Database.h"

#include <QHash>
#include <QSqlQuery>

namespace {

constexpr int ChunkRows = 2000;

// The earliest and latest of a set of times.
struct Span {
    QVariant first;
    QVariant last;
    void take(const QVariant& time) {
        if (time.isNull())
            return;
        if (first.isNull() || time.toString() < first.toString())
            first = time;
        if (last.isNull() || time.toString() > last.toString())
            last = time;
    }
};

void runQuietly(const QSqlDatabase& db, const BoundStatement& statement) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (statement.runOn(query))
        while (query.next()) {
        }
}

} // namespace

ReadAhead::ReadAhead(QString folder, const BatchedDelete& job)
    : m_folder(std::move(folder)), m_table(job.table()), m_range(job.range()),
      m_lastRow(job.lastRow()), m_done(job.finished()), m_thread([this] { run(); }) {}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

bool ReadAhead::hasRead(qint64 rows) const {
    return m_done || m_read >= rows;
}

void ReadAhead::setDeleted(qint64 rows) {
    {
        const std::lock_guard lock(m_mutex);
        m_deleted = rows;
    }
    m_wake.notify_one();
}

BoundStatement ReadAhead::rowsStatement(const std::optional<Key>& after, int count) const {
    const QString table = m_table.table();
    const QString time = m_table.timeColumn();
    const QString filter = m_table.filterColumn();
    BoundStatement rows{QStringLiteral("select rowid,%1,%2 from %3").arg(time, filter, table), {}};
    if (!m_range) {
        rows.sql += QStringLiteral(" where rowid<? and rowid>? order by rowid limit ?");
        rows.values << m_lastRow << (after ? after->row : 0) << count;
        return rows;
    }
    // As the delete's batches go: by time, from the key's time on.
    HistoryTable::Range range = *m_range;
    if (after)
        range.first = after->order.toString();
    rows.sql += QStringLiteral(" where +rowid<? and ") + m_table.condition(range, rows.values);
    rows.values.prepend(m_lastRow);
    if (after) {
        rows.sql += QStringLiteral(" and (%1>? or rowid>?)").arg(time);
        rows.values << after->order << after->row;
    }
    rows.sql += QStringLiteral(" order by %1,rowid limit ?").arg(time);
    rows.values << count;
    return rows;
}

BoundStatement ReadAhead::timesStatement(const QVariant& first, const QVariant& last) const {
    return {QStringLiteral("select count(*) from %1 where %2 between ? and ?")
                .arg(m_table.table(), m_table.timeColumn()),
            {first, last}};
}

BoundStatement ReadAhead::filterStatement(const QVariant& value, const QVariant& first,
                                          const QVariant& last) const {
    return {QStringLiteral("select count(*) from %1 where %2=? and %3 between ? and ?")
                .arg(m_table.table(), m_table.filterColumn(), m_table.timeColumn()),
            {value, first, last}};
}

int ReadAhead::readChunk(const QSqlDatabase& db, std::optional<Key>& after) const {
    // The rows themselves bring in the table's pages, and, walked by time,
    // the time index; the other index is read where each value's rows lie.
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rowsStatement(after, ChunkRows).runOn(rows))
        return 0;
    int count = 0;
    Span times;
    QHash<QString, Span> byValue;
    while (rows.next()) {
        ++count;
        const QVariant time = rows.value(1);
        times.take(time);
        if (!rows.value(2).isNull())
            byValue[rows.value(2).toString()].take(time);
        after = Key{m_range ? time : rows.value(0), rows.value(0).toLongLong()};
    }
    rows.finish();
    if (!m_range && !times.first.isNull())
        runQuietly(db, timesStatement(times.first, times.last));
    for (auto value = byValue.cbegin(); value != byValue.cend(); ++value)
        if (!value->first.isNull())
            runQuietly(db, filterStatement(value.key(), value->first, value->last));
    return count;
}

void ReadAhead::run() {
    Database database(m_folder);
    std::optional<Key> after;
    while (!m_done) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || m_read - m_deleted < MostRowsAhead; });
            if (m_stopping)
                break;
        }
        const int count = database.isOpen() ? readChunk(database.connection(), after) : 0;
        m_read += count;
        if (count < ChunkRows)
            m_done = true;
    }
}
