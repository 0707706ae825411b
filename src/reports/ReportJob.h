#pragma once

#include "ConsumptionReport.h"
#include "ReportRequest.h"

#include <QObject>
#include <QThread>
#include <atomic>

// One report worked out on a thread of its own, so the window that asked
// stays responsive over a long range.
class ReportJob : public QObject {
    Q_OBJECT
public:
    ReportJob(const QString& programFolder, const ReportRequest& request,
              const QList<ConsumptionReport::Meter>& meters, QObject* parent = nullptr);
    // Cancels a running report and waits for it to end.
    ~ReportJob() override;

    void start();
    void cancel() { m_cancel = true; }

signals:
    void progressed(int done, int count);
    void finished(const ConsumptionReport::Result& result);

private:
    std::atomic<bool> m_cancel = false;
    QThread m_thread;
};
