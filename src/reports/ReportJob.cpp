#include "ReportJob.h"

#include "ReportWorker.h"

ReportJob::ReportJob(const QString& programFolder, const ReportRequest& request,
                     const QList<ConsumptionReport::Meter>& meters, QObject* parent)
    : QObject(parent) {
    auto* worker = new ReportWorker(programFolder, request, meters, m_cancel);
    worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, worker, &ReportWorker::run);
    connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &ReportWorker::progressed, this, &ReportJob::progressed);
    connect(worker, &ReportWorker::finished, this, &ReportJob::finished);
    m_thread.setObjectName(QStringLiteral("report"));
}

ReportJob::~ReportJob() {
    m_cancel = true;
    m_thread.quit();
    m_thread.wait();
}

void ReportJob::start() {
    m_thread.start();
}
