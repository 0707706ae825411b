#include "Checkpointer.h"

#include "CheckpointWorker.h"

Checkpointer::Checkpointer(QString folder, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent), m_worker(new CheckpointWorker(std::move(folder), interval)) {
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_worker, &CheckpointWorker::begin);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &CheckpointWorker::caughtUp, this, &Checkpointer::caughtUp);
    m_thread.setObjectName(QStringLiteral("checkpoints"));
    m_thread.start();
}

Checkpointer::~Checkpointer() {
    m_thread.quit();
    m_thread.wait();
}

void Checkpointer::request() {
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->checkpoint(true); }, Qt::QueuedConnection);
}
