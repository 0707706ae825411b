#include "TrendReader.h"

#include "TrendReadWorker.h"

TrendReader::TrendReader(QString folder, QString meter, std::optional<int> line, QObject* parent)
    : QObject(parent), m_worker(new TrendReadWorker(std::move(folder), std::move(meter), line)) {
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_worker, &TrendReadWorker::begin);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &TrendReadWorker::read, this, &TrendReader::read);
    m_thread.setObjectName(QStringLiteral("trend"));
    m_thread.start();
}

TrendReader::~TrendReader() {
    m_thread.quit();
    m_thread.wait();
}

int TrendReader::request(qint64 first, qint64 last, int buckets) {
    const int number = ++m_requests;
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, number, first, last, buckets] {
            worker->readSpan(number, first, last, buckets);
        },
        Qt::QueuedConnection);
    return number;
}
