#pragma once

#include "HistoryTable.h"

#include <QSqlDatabase>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class BatchedDelete;

// Reads the rows of a batched delete ahead of it, on a thread and a
// connection of its own, so that the pages a batch changes are in the
// system's file cache by the time the batch comes: a batch on the
// user-interface thread then waits for no disk. It keeps a bounded number
// of rows ahead of the delete.
class ReadAhead {
public:
    static constexpr qint64 MostRowsAhead = 50000;

    ReadAhead(QString folder, const BatchedDelete& job);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Whether the first `rows` rows have been read, or all there are.
    bool hasRead(qint64 rows) const;
    // The delete has taken this many rows.
    void setDeleted(qint64 rows);

    // The statements it runs: the next rows after a key, in the delete's
    // order, with their row number, time and filter value; and the index
    // ranges those rows stand in.
    struct Key {
        QVariant order;
        qint64 row = 0;
    };
    BoundStatement rowsStatement(const std::optional<Key>& after, int count) const;
    BoundStatement timesStatement(const QVariant& first, const QVariant& last) const;
    BoundStatement filterStatement(const QVariant& value, const QVariant& first,
                                   const QVariant& last) const;

private:
    void run();
    // Reads one chunk after `after`; how many rows it held.
    int readChunk(const QSqlDatabase& db, std::optional<Key>& after) const;

    QString m_folder;
    const HistoryTable& m_table;
    std::optional<HistoryTable::Range> m_range;
    qint64 m_lastRow;
    std::atomic<qint64> m_read{0};
    std::atomic<bool> m_done{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    qint64 m_deleted = 0;
    bool m_stopping = false;
    std::thread m_thread;
};
