#include "Pruner.h"

#include "PruneWorker.h"

Pruner::Pruner(QString folder, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent), m_worker(new PruneWorker(std::move(folder), interval)) {
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_worker, &PruneWorker::begin);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &PruneWorker::pruned, this, &Pruner::pruned);
    connect(m_worker, &PruneWorker::refused, this, &Pruner::refused);
    m_thread.setObjectName(QStringLiteral("pruning"));
    m_thread.start(QThread::LowPriority);
}

Pruner::~Pruner() {
    m_thread.quit();
    m_thread.wait();
}

void Pruner::request() {
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->pass(); }, Qt::QueuedConnection);
}
