#include "ReadAheadWorker.h"

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

ReadAheadWorker::ReadAheadWorker(QString folder, const ReadAhead& statements)
    : m_folder(std::move(folder)), m_statements(statements) {}

ReadAheadWorker::~ReadAheadWorker() = default;

void ReadAheadWorker::begin() {
    m_database = std::make_unique<Database>(m_folder);
    readNext();
}

void ReadAheadWorker::setDeleted(qint64 rows) {
    m_deleted = rows;
    readNext();
}

void ReadAheadWorker::readNext() {
    if (m_done || m_pending || m_read - m_deleted >= ReadAhead::MostRowsAhead)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pending = false;
            const int count = m_database->isOpen() ? readChunk() : 0;
            m_read += count;
            m_done = count < ChunkRows;
            emit progressed(m_read, m_done);
            readNext();
        },
        Qt::QueuedConnection);
}

int ReadAheadWorker::readChunk() {
    // The rows themselves bring in the table's pages, and, walked by time,
    // the time index; the other index is read where each value's rows lie.
    const QSqlDatabase& db = m_database->connection();
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!m_statements.rowsStatement(m_after, ChunkRows).runOn(rows))
        return 0;
    int count = 0;
    Span times;
    QHash<QString, Span> byValue;
    const bool byTime = m_statements.walksByTime();
    while (rows.next()) {
        ++count;
        const QVariant time = rows.value(1);
        times.take(time);
        if (!rows.value(2).isNull())
            byValue[rows.value(2).toString()].take(time);
        m_after = ReadAhead::Key{byTime ? time : rows.value(0), rows.value(0).toLongLong()};
    }
    rows.finish();
    if (!byTime && !times.first.isNull())
        runQuietly(db, m_statements.timesStatement(times.first, times.last));
    for (auto value = byValue.cbegin(); value != byValue.cend(); ++value)
        if (!value->first.isNull())
            runQuietly(db, m_statements.filterStatement(value.key(), value->first, value->last));
    return count;
}
