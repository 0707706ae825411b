#pragma once

#include "CsvExport.h"

#include <QObject>
#include <QString>
#include <atomic>

// The ExportJob's half on its thread, with a connection of its own made,
// used and closed there.
class ExportWorker : public QObject {
    Q_OBJECT
public:
    // `cancel` is the job's, read between rows: a run cannot stop for a
    // queued call.
    ExportWorker(QString programFolder, ExportRequest request, const std::atomic<bool>& cancel);

    void run();

signals:
    void progressed(qint64 rows, int permille);
    void finished(const ExportResult& result);

private:
    QString m_folder;
    ExportRequest m_request;
    const std::atomic<bool>& m_cancel;
};
