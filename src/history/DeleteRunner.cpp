#include "DeleteRunner.h"

#include "Checkpointer.h"
#include "ReadAhead.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int FewestRows = 50;
constexpr int MostRows = 20000;
// How soon to look again while the read-ahead is behind.
constexpr std::chrono::milliseconds ReadAheadWait{2};

} // namespace

DeleteRunner::DeleteRunner(BatchedDelete job, const QString& folder, Checkpointer& checkpointer,
                           QObject* parent)
    : QObject(parent), m_job(std::move(job)),
      m_readAhead(std::make_unique<ReadAhead>(folder, m_job)), m_checkpointer(checkpointer) {
    // A zero timer, not a posted call: the loop then fires every timer that
    // came due during a batch before the next batch, not after two.
    m_next.setSingleShot(true);
    m_next.setInterval(0);
    connect(&m_next, &QTimer::timeout, this, &DeleteRunner::step);
    connect(&m_checkpointer, &Checkpointer::caughtUp, this, [this] {
        if (!m_waitingForCheckpoint)
            return;
        m_waitingForCheckpoint = false;
        m_next.start();
    });
}

DeleteRunner::~DeleteRunner() = default;

void DeleteRunner::setBatchRows(int rows) {
    m_batchRows = std::max(1, rows);
    m_fixedBatch = true;
}

void DeleteRunner::start() {
    if (m_running)
        return;
    m_running = true;
    m_next.start();
}

void DeleteRunner::step() {
    if (!m_readAhead->hasRead(m_deleted + m_batchRows)) {
        QTimer::singleShot(ReadAheadWait, this, &DeleteRunner::step);
        return;
    }
    QElapsedTimer timer;
    timer.start();
    const std::optional<int> count = m_job.next(m_batchRows);
    const std::chrono::nanoseconds took(timer.nsecsElapsed());
    m_deleted += count.value_or(0);
    m_readAhead->setDeleted(m_deleted);
    if (!count || m_job.finished()) {
        m_running = false;
        emit progress(100);
        emit finished();
        return;
    }
    const int percent = int(m_job.progress() * 100);
    if (percent != m_percent) {
        m_percent = percent;
        emit progress(percent);
    }
    sizeNextBatch(took);

    m_sinceCheckpoint += took;
    if (m_sinceCheckpoint >= BurstTime) {
        m_sinceCheckpoint = {};
        m_waitingForCheckpoint = true;
        m_checkpointer.request();
        return;
    }
    m_next.start();
}

void DeleteRunner::sizeNextBatch(std::chrono::nanoseconds took) {
    if (m_fixedBatch)
        return;
    // Toward the size that takes `BatchTime`, at most doubling at once: a
    // batch that found its pages cached says little about the next one.
    const double ideal = double(m_batchRows) * double(std::chrono::nanoseconds(BatchTime).count()) /
                         double(std::max<qint64>(took.count(), 1));
    const double next = std::min(ideal, 2.0 * m_batchRows);
    m_batchRows = std::clamp(int(next), FewestRows, MostRows);
}
