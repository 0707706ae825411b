#pragma once

#include "ConsumptionReport.h"
#include "ReportRequest.h"

#include <QObject>
#include <QString>
#include <atomic>

// The ReportJob's half on its thread, with a connection of its own made,
// used and closed there.
class ReportWorker : public QObject {
    Q_OBJECT
public:
    // `cancel` is the job's, read between meters.
    ReportWorker(QString programFolder, ReportRequest request,
                 QList<ConsumptionReport::Meter> meters, const std::atomic<bool>& cancel);

    void run();

signals:
    void progressed(int done, int count);
    void finished(const ConsumptionReport::Result& result);

private:
    QString m_folder;
    ReportRequest m_request;
    QList<ConsumptionReport::Meter> m_meters;
    const std::atomic<bool>& m_cancel;
};
