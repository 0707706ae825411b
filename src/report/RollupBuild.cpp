#include "RollupBuild.h"

#include "RollupBuildWorker.h"
#include "RollupTable.h"

bool RollupBuild::needed(const QSqlDatabase& db) {
    RollupTable table(db);
    const auto through = table.through();
    const auto last = table.lastHistoryRow();
    return through && last && *through < *last;
}

QString RollupBuild::progressText(qint64 done, qint64 total) {
    const qint64 percent = total > 0 ? std::clamp<qint64>(done * 100 / total, 0, 100) : 100;
    return QStringLiteral("Building hourly summaries: %1%").arg(percent);
}

RollupBuild::RollupBuild(QString folder, qint64 batchRows, QObject* parent)
    : QObject(parent), m_worker(new RollupBuildWorker(std::move(folder), batchRows)) {
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_worker, &RollupBuildWorker::begin);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &RollupBuildWorker::progress, this, &RollupBuild::progress);
    connect(m_worker, &RollupBuildWorker::finished, this, [this](const QString& error) {
        m_running = false;
        emit finished(error);
    });
    m_thread.setObjectName(QStringLiteral("rollup build"));
    m_thread.start(QThread::LowPriority);
}

RollupBuild::~RollupBuild() {
    m_thread.quit();
    m_thread.wait();
}
