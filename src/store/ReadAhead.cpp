#include "ReadAhead.h"

#include "BatchedDelete.h"
#include "ReadAheadWorker.h"

ReadAhead::ReadAhead(QString folder, const BatchedDelete& job)
    : m_table(job.table()), m_range(job.range()), m_lastRow(job.lastRow()), m_done(job.finished()) {
    if (m_done)
        return;
    m_worker = new ReadAheadWorker(std::move(folder), *this);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_worker, &ReadAheadWorker::begin);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &ReadAheadWorker::progressed, this, [this](qint64 read, bool done) {
        m_read = read;
        m_done = done;
    });
    m_thread.setObjectName(QStringLiteral("read-ahead"));
    m_thread.start();
}

ReadAhead::~ReadAhead() {
    m_thread.quit();
    m_thread.wait();
}

bool ReadAhead::hasRead(qint64 rows) const {
    return m_done || m_read >= rows;
}

void ReadAhead::setDeleted(qint64 rows) {
    if (m_worker)
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, rows] { worker->setDeleted(rows); },
            Qt::QueuedConnection);
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
