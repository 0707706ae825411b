#include "ReadingWriter.h"

#include "ReadingWriterWorker.h"

ReadingWriter::ReadingWriter(QString folder, const Options& options, QObject* parent)
    : QObject(parent), m_options(options),
      m_worker(new ReadingWriterWorker(std::move(folder), options.busyTimeout)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReadingWriter::handOver);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_worker, &ReadingWriterWorker::begin);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &ReadingWriterWorker::stored, this, &ReadingWriter::stored);
    connect(m_worker, &ReadingWriterWorker::refused, this, &ReadingWriter::refused);
    connect(m_worker, &ReadingWriterWorker::committed, this, &ReadingWriter::committed);
    m_thread.setObjectName(QStringLiteral("reading writer"));
    m_thread.start();
}

ReadingWriter::~ReadingWriter() {
    flush();
    m_thread.quit();
    m_thread.wait();
}

void ReadingWriter::store(const Reading& reading) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, reading] { store(reading); }, Qt::QueuedConnection);
        return;
    }
    m_pending << reading;
    if (m_pending.size() >= m_options.maxGroup)
        handOver();
    else if (m_pending.size() == 1)
        m_timer.start(m_options.maxAge);
}

void ReadingWriter::handOver() {
    m_timer.stop();
    if (m_pending.isEmpty())
        return;
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, group = std::exchange(m_pending, {})] { worker->commit(group); },
        Qt::QueuedConnection);
}

StoreWrite ReadingWriter::flush() {
    m_timer.stop();
    StoreWrite result;
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, group = std::exchange(m_pending, {}), &result] {
            result = worker->flush(group);
        },
        Qt::BlockingQueuedConnection);
    return result;
}
