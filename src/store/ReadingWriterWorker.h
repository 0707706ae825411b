#pragma once

#include "Reading.h"
#include "StoreWrite.h"

#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

class Database;
class MeterTable;

// The ReadingWriter's half on its thread: commits each group it is sent in
// one transaction and tells what became of every reading.
class ReadingWriterWorker : public QObject {
    Q_OBJECT
public:
    ReadingWriterWorker(QString folder, std::chrono::milliseconds busyTimeout);
    ~ReadingWriterWorker() override;

    // Opens the connection, on the worker's thread.
    void begin();
    void commit(const QList<Reading>& group);
    // Commits the last group; the first refusal since the last flush.
    StoreWrite flush(const QList<Reading>& group);

signals:
    void stored(const Reading& reading);
    void refused(const Reading& reading, const StoreWrite& write);
    void committed(int readings);

private:
    // Stores the group in one transaction; the refusal that undid it.
    StoreWrite write(const QList<Reading>& group, QList<StoreWrite>& writes);

    QString m_folder;
    std::chrono::milliseconds m_busyTimeout;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<MeterTable> m_table; // its statement goes before the connection
    StoreWrite m_firstRefusal;
};
