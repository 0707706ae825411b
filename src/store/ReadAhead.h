#pragma once

#include "HistoryTable.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <optional>

class BatchedDelete;
class ReadAheadWorker;

// Reads the rows of a batched delete ahead of it, on a thread and a
// connection of its own, so that the pages a batch changes are in the
// system's file cache by the time the batch comes: a batch on the
// user-interface thread then waits for no disk. It keeps a bounded number
// of rows ahead of the delete.
class ReadAhead : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 MostRowsAhead = 50000;

    ReadAhead(QString folder, const BatchedDelete& job);
    ~ReadAhead() override;
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Whether the first `rows` rows have been read, or all there are, as
    // far as the thread has told by now.
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
    // Whether the rows go in time order (a range), not in row order.
    bool walksByTime() const { return m_range.has_value(); }

private:
    const HistoryTable& m_table;
    const std::optional<HistoryTable::Range> m_range;
    const qint64 m_lastRow;
    qint64 m_read = 0;
    bool m_done = false;
    QThread m_thread;
    ReadAheadWorker* m_worker = nullptr; // lives on m_thread, deleted there
};
