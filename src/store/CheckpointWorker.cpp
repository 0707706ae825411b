#include "CheckpointWorker.h"

#include "Database.h"

#include <QSqlQuery>

namespace {

// Passes over the log until one finds nothing new in it: writers go on
// committing while the first pass copies, and a log is restarted only once
// every frame in it is back in the file.
constexpr int MaxPasses = 4;

void passiveCheckpoint(const QSqlDatabase& db) {
    int copiedBefore = -1;
    for (int pass = 0; pass < MaxPasses; ++pass) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) || !query.next())
            return;
        const int frames = query.value(1).toInt();
        const int copied = query.value(2).toInt();
        // Busy (another checkpoint runs), or a reader still needs old frames.
        if (query.value(0).toInt() != 0 || copied < frames)
            return;
        if (frames == copiedBefore || frames == 0)
            return;
        copiedBefore = copied;
    }
}

} // namespace

CheckpointWorker::CheckpointWorker(QString folder, std::chrono::milliseconds interval)
    : m_folder(std::move(folder)), m_interval(interval) {
    connect(&m_timer, &QTimer::timeout, this, [this] { checkpoint(false); });
}

CheckpointWorker::~CheckpointWorker() = default;

void CheckpointWorker::begin() {
    m_database = std::make_unique<Database>(m_folder);
    if (m_interval.count() > 0)
        m_timer.start(m_interval);
}

void CheckpointWorker::checkpoint(bool requested) {
    if (m_database && m_database->isOpen())
        passiveCheckpoint(m_database->connection());
    if (requested)
        emit caughtUp();
}
