#include "ExportJob.h"

#include "ExportWorker.h"

ExportJob::ExportJob(QString programFolder, ExportRequest request, QObject* parent)
    : QObject(parent), m_folder(std::move(programFolder)), m_request(std::move(request)) {
    m_thread.setObjectName(QStringLiteral("export"));
}

ExportJob::~ExportJob() {
    cancel();
    m_thread.quit();
    m_thread.wait();
}

void ExportJob::start() {
    if (m_thread.isRunning() || m_thread.isFinished())
        return;
    auto* worker = new ExportWorker(m_folder, m_request, m_cancel);
    worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, worker, &ExportWorker::run);
    connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &ExportWorker::progressed, this, &ExportJob::progressed);
    connect(worker, &ExportWorker::finished, this, &ExportJob::finished);
    // One run per job: the thread ends with it.
    connect(worker, &ExportWorker::finished, &m_thread, &QThread::quit, Qt::DirectConnection);
    m_thread.start();
}

void ExportJob::cancel() {
    m_cancel = true;
}
