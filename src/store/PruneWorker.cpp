#include "PruneWorker.h"

#include "Database.h"

PruneWorker::PruneWorker(QString folder, std::chrono::milliseconds interval)
    : m_folder(std::move(folder)), m_interval(interval) {
    connect(&m_timer, &QTimer::timeout, this, &PruneWorker::pass);
    m_pause.setSingleShot(true);
    m_pause.setInterval(BatchPause);
    connect(&m_pause, &QTimer::timeout, this, &PruneWorker::step);
}

PruneWorker::~PruneWorker() {
    m_pruning.reset(); // its connection handle before the connection
}

void PruneWorker::begin() {
    m_database = std::make_unique<Database>(m_folder);
    if (m_interval.count() > 0)
        m_timer.start(m_interval);
    pass();
}

void PruneWorker::pass() {
    if (m_pruning || !m_database || !m_database->isOpen())
        return;
    m_pruning = SnapshotPruning::due(m_database->connection(), QDateTime::currentDateTime());
    if (!m_pruning) {
        emit pruned(0, {});
        return;
    }
    step();
}

void PruneWorker::step() {
    if (!m_pruning)
        return;
    if (!m_pruning->next(BatchRows) && !m_pruning->error().isEmpty())
        emit refused(m_pruning->error());
    if (!m_pruning->finished()) {
        m_pause.start();
        return;
    }
    const qint64 rows = m_pruning->deleted();
    const QString before = m_pruning->before();
    m_pruning.reset();
    emit pruned(rows, before);
}
