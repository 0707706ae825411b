#include "ReadingWriterWorker.h"

#include "Database.h"
#include "MeterTable.h"

#include <QSqlError>

ReadingWriterWorker::ReadingWriterWorker(QString folder, std::chrono::milliseconds busyTimeout)
    : m_folder(std::move(folder)), m_busyTimeout(busyTimeout) {}

ReadingWriterWorker::~ReadingWriterWorker() = default;

void ReadingWriterWorker::begin() {
    m_database =
        std::make_unique<Database>(m_folder, Database::Options{m_busyTimeout, /*fullSync=*/false});
    if (m_database->isOpen())
        m_table = std::make_unique<MeterTable>(m_database->connection());
}

StoreWrite ReadingWriterWorker::flush(const QList<Reading>& group) {
    commit(group);
    return std::exchange(m_firstRefusal, StoreWrite::done());
}

void ReadingWriterWorker::commit(const QList<Reading>& group) {
    if (group.isEmpty())
        return;
    QList<StoreWrite> writes;
    const StoreWrite undone = write(group, writes);
    if (undone.isRefused() && !m_firstRefusal.isRefused())
        m_firstRefusal = undone;
    if (undone.isDone())
        emit committed(int(group.size()));
    for (qsizetype i = 0; i < group.size(); ++i) {
        const StoreWrite& result = undone.isDone() ? writes[i] : undone;
        if (result.isDone())
            emit stored(group[i]);
        else
            emit refused(group[i], result);
    }
}

StoreWrite ReadingWriterWorker::write(const QList<Reading>& group, QList<StoreWrite>& writes) {
    if (!m_table)
        return StoreWrite::refused(QStringLiteral("unable to open database file"));
    QSqlDatabase db = m_database->connection();
    if (!db.transaction())
        return StoreWrite::refused(db.lastError());
    for (const Reading& reading : group) {
        writes << m_table->storeReading(reading);
        // A failed statement may have ended the transaction already; the
        // rollback is then refused, harmlessly.
        if (writes.last().isRefused()) {
            db.rollback();
            return writes.last();
        }
    }
    if (!db.commit()) {
        const StoreWrite refusal = StoreWrite::refused(db.lastError());
        db.rollback();
        return refusal;
    }
    return StoreWrite::done();
}
