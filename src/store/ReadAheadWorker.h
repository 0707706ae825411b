#pragma once

#include "ReadAhead.h"

#include <QObject>
#include <memory>
#include <optional>

class Database;

// The ReadAhead's half on its thread: reads chunk after chunk, one queued
// call each so that news of the delete comes in between, and pauses while
// it is the most rows ahead it may be.
class ReadAheadWorker : public QObject {
    Q_OBJECT
public:
    // `statements` is only read, and outlives the thread.
    ReadAheadWorker(QString folder, const ReadAhead& statements);
    ~ReadAheadWorker() override;

    // Opens the connection and reads the first chunk.
    void begin();
    // The delete has taken this many rows.
    void setDeleted(qint64 rows);

signals:
    // All rows read so far; done once there are no more.
    void progressed(qint64 read, bool done);

private:
    void readNext();
    // Reads one chunk after `m_after`; how many rows it held.
    int readChunk();

    QString m_folder;
    const ReadAhead& m_statements;
    std::unique_ptr<Database> m_database;
    std::optional<ReadAhead::Key> m_after;
    qint64 m_read = 0;
    qint64 m_deleted = 0;
    bool m_pending = false;
    bool m_done = false;
};
