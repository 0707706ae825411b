#pragma once

#include "ReadingWriter.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class Database;
class MeterTable;

// The ReadingWriter's half on its thread: gathers the readings handed in
// and commits them as one group.
class ReadingWriterWorker : public QObject {
    Q_OBJECT
public:
    ReadingWriterWorker(QString folder, const ReadingWriter::Options& options);
    ~ReadingWriterWorker() override;

    // Opens the connection, on the worker's thread.
    void begin();
    void add(const Reading& reading, std::chrono::steady_clock::time_point handedIn);
    // Commits the pending group; the first refusal since the last flush.
    StoreWrite flush();

signals:
    void stored(const Reading& reading);
    void refused(const Reading& reading, const StoreWrite& write);
    void committed(int readings);

private:
    void commit();
    // Stores the group in one transaction; the refusal that undid it.
    StoreWrite write(const QList<Reading>& group, QList<StoreWrite>& writes);

    QString m_folder;
    ReadingWriter::Options m_options;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<MeterTable> m_table; // its statement goes before the connection
    QList<Reading> m_pending;
    QTimer m_timer{this};
    StoreWrite m_firstRefusal;
};
