#include "RollupBuildWorker.h"

#include "Database.h"
#include "RollupFolder.h"

#include <QMetaObject>

RollupBuildWorker::RollupBuildWorker(QString folder, qint64 batchRows)
    : m_folder(std::move(folder)), m_batchRows(batchRows) {}

RollupBuildWorker::~RollupBuildWorker() {
    m_rollups.reset(); // its statements before the connection
}

void RollupBuildWorker::begin() {
    // The snapshot insert may wait for a batch's commit: long enough to
    // outlast one, never so long that a held store stops the build for good.
    m_database = std::make_unique<Database>(m_folder, Database::Options{std::chrono::seconds(5)});
    if (!m_database->isOpen()) {
        emit finished(QStringLiteral("the database could not be opened"));
        return;
    }
    m_rollups = std::make_unique<RollupFolder>(m_database->connection());
    step();
}

void RollupBuildWorker::step() {
    const RollupFolder::Progress done = m_rollups->fold(m_batchRows);
    if (!done.error.isEmpty()) {
        emit finished(done.error);
        return;
    }
    if (m_start < 0)
        m_start = done.through - done.folded;
    emit progress(done.through - m_start, done.last - m_start);
    if (done.folded == 0) {
        emit finished({});
        return;
    }
    QMetaObject::invokeMethod(this, &RollupBuildWorker::step, Qt::QueuedConnection);
}
