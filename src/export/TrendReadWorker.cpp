#include "TrendReadWorker.h"

#include "Database.h"

TrendReadWorker::TrendReadWorker(QString folder, QString meter, std::optional<int> line)
    : m_folder(std::move(folder)), m_meter(std::move(meter)), m_line(line) {}

TrendReadWorker::~TrendReadWorker() = default;

void TrendReadWorker::begin() {
    m_database = std::make_unique<Database>(m_folder);
}

void TrendReadWorker::readSpan(int request, qint64 first, qint64 last, int buckets) {
    TrendData data;
    if (m_database && m_database->isOpen())
        data = TrendData::read(m_database->connection(), m_meter, first, last, buckets, m_line);
    else
        data.error = QStringLiteral("Cannot open %1").arg(Database::filePath(m_folder));
    emit read(request, data);
}
