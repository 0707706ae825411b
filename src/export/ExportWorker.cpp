#include "ExportWorker.h"

#include "Database.h"

ExportWorker::ExportWorker(QString programFolder, ExportRequest request,
                           const std::atomic<bool>& cancel)
    : m_folder(std::move(programFolder)), m_request(std::move(request)), m_cancel(cancel) {}

void ExportWorker::run() {
    ExportResult result;
    {
        Database database(m_folder);
        if (database.isOpen()) {
            const auto progress = [this](qint64 rows, double fraction) {
                emit progressed(rows, int(fraction * 1000));
            };
            result = CsvExport::run(database.connection(), m_request, &m_cancel, progress);
        } else {
            result.outcome = ExportResult::Outcome::StoreFailed;
            result.error = QStringLiteral("Cannot open %1 (error %2)")
                               .arg(Database::filePath(m_folder))
                               .arg(database.errorCode());
        }
    }
    emit finished(result);
}
