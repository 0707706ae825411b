#pragma once

#include "CsvExport.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>

// One export run on a thread of its own, with a connection of its own to
// the program folder's database, so the window that started it stays
// responsive and its grids keep their connection to themselves.
class ExportJob : public QObject {
    Q_OBJECT
public:
    ExportJob(QString programFolder, ExportRequest request, QObject* parent = nullptr);
    // Cancels a running export and waits for it to end.
    ~ExportJob() override;

    void start();
    // Asks the export to stop; finished() follows with Cancelled, and no
    // file is left, unless every row was written by then.
    void cancel();

    const ExportRequest& request() const { return m_request; }

signals:
    // Now and then, rows written and how far through the range (0 to 1000).
    void progressed(qint64 rows, int permille);
    void finished(const ExportResult& result);

private:
    QString m_folder;
    ExportRequest m_request;
    std::atomic<bool> m_cancel = false;
    QThread m_thread;
};
