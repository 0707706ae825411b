#include "ReportWorker.h"

#include "Database.h"
#include "ReportStore.h"

ReportWorker::ReportWorker(QString programFolder, ReportRequest request,
                           QList<ConsumptionReport::Meter> meters, const std::atomic<bool>& cancel)
    : m_folder(std::move(programFolder)), m_request(std::move(request)),
      m_meters(std::move(meters)), m_cancel(cancel) {}

void ReportWorker::run() {
    ConsumptionReport::Result result;
    {
        Database database(m_folder);
        if (!database.isOpen()) {
            result.error = QStringLiteral("Cannot open %1 (SQLite error %2)")
                               .arg(Database::filePath(m_folder))
                               .arg(database.errorCode());
        } else {
            result = ReportStore::consumption(database.connection(), m_request, m_meters,
                                              [this](int done, int count) {
                                                  emit progressed(done, count);
                                                  return !m_cancel.load();
                                              });
        }
    }
    emit finished(result);
}
