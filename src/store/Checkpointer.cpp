#include "Checkpointer.h"

#include "Database.h"

#include <QSqlQuery>

namespace {

// Passes over the log until one finds nothing new in it: writers go on
// committing while the first pass copies, and a log is restarted only once
// every frame in it is back in the file.
constexpr int MaxPasses = 4;

void checkpoint(const QSqlDatabase& db) {
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

Checkpointer::Checkpointer(QString folder, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_interval(interval),
      m_thread([this] { run(); }) {}

Checkpointer::~Checkpointer() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void Checkpointer::request() {
    {
        const std::lock_guard lock(m_mutex);
        m_requested = true;
    }
    m_wake.notify_one();
}

void Checkpointer::run() {
    // The connection belongs to this thread: made, used and closed here.
    Database database(m_folder);
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const auto due = [this] { return m_stopping || m_requested; };
        if (m_interval.count() > 0)
            m_wake.wait_for(lock, m_interval, due);
        else
            m_wake.wait(lock, due);
        if (m_stopping)
            break;
        const bool requested = std::exchange(m_requested, false);
        lock.unlock();
        if (database.isOpen())
            checkpoint(database.connection());
        if (requested)
            emit caughtUp();
        lock.lock();
    }
}
