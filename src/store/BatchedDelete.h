#pragma once

#include "HistoryTable.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

// A history delete ("Delete record" or "Delete all") carried out a batch of
// rows at a time, each batch a statement of its own, so that no step holds
// the thread or the store's write lock for long and other commits (stored
// replies, snapshots) go on in between.
//
// Once finished, the result is that of the one-statement delete at the
// moment the batched one was made: it only takes rows stored before then, so
// a snapshot stored meanwhile stays even when its time is in the range.
class BatchedDelete {
public:
    // The rows `HistoryTable::search` finds for the same texts and line; nullopt when
    // either date cannot be read (nothing is to be deleted).
    static std::optional<BatchedDelete> range(const HistoryTable& table, const QSqlDatabase& db,
                                              const QString& from, const QString& to,
                                              const QString& filter,
                                              std::optional<int> line = std::nullopt);
    // Every row of the table.
    static BatchedDelete all(const HistoryTable& table, const QSqlDatabase& db);

    // Deletes up to `rows` more rows; how many it deleted, or nullopt when
    // the store refused the statement, which ends the delete there.
    std::optional<int> next(int rows);
    bool finished() const { return m_finished; }
    // How far the delete has come, 0 to 1, by where its next row stands in
    // the rows' order.
    double progress() const;

    // The statements it runs: a batch, the last row stored before it was
    // made (left to the very end, so every row stored meanwhile gets a
    // higher number), and the key of the next row to go (ascending) or of
    // the last one (descending).
    BoundStatement batchStatement(int rows) const;
    BoundStatement lastRowStatement() const;
    BoundStatement keyStatement(Qt::SortOrder order) const;

    const HistoryTable& table() const { return *m_table; }
    // The range, or nullopt for the whole table.
    const std::optional<HistoryTable::Range>& range() const { return m_range; }
    qint64 lastRow() const { return m_lastRow; }

private:
    BatchedDelete(const HistoryTable& table, const QSqlDatabase& db,
                  std::optional<HistoryTable::Range> range);

    // The rows to delete whose row number compares so with the last row's.
    BoundStatement where(const char* rowTest) const;
    // The order in which batches take the rows: time, or row number.
    QString order() const;
    std::optional<QVariant> key(Qt::SortOrder order) const;

    const HistoryTable* m_table;
    QSqlDatabase m_db;
    std::optional<HistoryTable::Range> m_range;
    qint64 m_lastRow = 0;
    // The keys of the first and the last row to go, for the progress.
    QVariant m_startKey;
    QVariant m_endKey;
    bool m_finished = false;
};
