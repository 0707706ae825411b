#include "ReadingWriter.h"

#include "ReadingWriterWorker.h"

ReadingWriter::ReadingWriter(QString folder, const Options& options, QObject* parent)
    : QObject(parent), m_worker(new ReadingWriterWorker(std::move(folder), options)) {
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
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, reading, handedIn = std::chrono::steady_clock::now()] {
            worker->add(reading, handedIn);
        },
        Qt::QueuedConnection);
}

StoreWrite ReadingWriter::flush() {
    StoreWrite result;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, &result] { result = worker->flush(); },
        Qt::BlockingQueuedConnection);
    return result;
}
