#include "ExportJob.h"

#include "Database.h"

#include <QThread>

ExportJob::ExportJob(QString programFolder, ExportRequest request, QObject* parent)
    : QObject(parent), m_folder(std::move(programFolder)), m_request(std::move(request)) {}

ExportJob::~ExportJob() {
    if (m_thread) {
        cancel();
        m_thread->wait();
        delete m_thread;
    }
}

void ExportJob::start() {
    if (m_thread)
        return;
    m_thread = QThread::create([this] {
        ExportResult result;
        {
            Database database(m_folder);
            if (database.isOpen()) {
                const auto progress = [this](qint64 rows, double fraction) {
                    const int permille = int(fraction * 1000);
                    QMetaObject::invokeMethod(
                        this, [this, rows, permille] { emit progressed(rows, permille); },
                        Qt::QueuedConnection);
                };
                result = CsvExport::run(database.connection(), m_request, &m_cancel, progress);
            } else {
                result.outcome = ExportResult::Outcome::StoreFailed;
                result.error = QStringLiteral("Cannot open %1 (error %2)")
                                   .arg(Database::filePath(m_folder))
                                   .arg(database.errorCode());
            }
        }
        QMetaObject::invokeMethod(
            this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void ExportJob::cancel() {
    m_cancel = true;
}

bool ExportJob::isRunning() const {
    return m_thread && m_thread->isRunning();
}
