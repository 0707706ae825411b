#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <optional>

// Takes away the snapshots older than the settings keep, a batch at a time.
// Each batch is found by a read first and then deleted by its row numbers
// in a statement of its own, so the write lock is held only for the
// delete itself and the reading road's commits never wait long. Only rows
// the rollups already hold go (row number up to `rollup_state.through`,
// as read when the pruning was made); the operation log is never touched.
// Age is judged by the stored local time text, which every row has and the
// time index orders.
class SnapshotPruning {
public:
    // The pruning the stored setting asks for at `now`; nullopt when it
    // keeps every snapshot or cannot be read.
    static std::optional<SnapshotPruning> due(const QSqlDatabase& db, const QDateTime& now);

    // Rows stored at a time before `before` ("yyyy-MM-dd HH:mm:ss").
    SnapshotPruning(QSqlDatabase db, QString before);

    // Deletes up to `rows` more rows; how many it deleted, or nullopt when
    // the store refused, which ends the pruning (error() says why).
    std::optional<int> next(int rows);
    bool finished() const { return m_finished; }
    qint64 deleted() const { return m_deleted; }
    const QString& before() const { return m_before; }
    const QString& error() const { return m_error; }

private:
    std::optional<int> refuse(const QString& why);

    QSqlDatabase m_db;
    QString m_before;
    qint64 m_through = 0;
    // The time of the last row deleted: no row before it is left to take,
    // so a row the rollups do not hold yet is passed over once. Not null:
    // a null text binds as NULL, which no time follows.
    QString m_from = QStringLiteral("");
    qint64 m_deleted = 0;
    bool m_finished = false;
    QString m_error;
};
