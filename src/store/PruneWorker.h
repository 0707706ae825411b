#pragma once

#include "SnapshotPruning.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

class Database;

// The Pruner's half on its thread: each batch is a queued step of its own,
// so the thread ends between two batches when asked to.
class PruneWorker : public QObject {
    Q_OBJECT
public:
    static constexpr int BatchRows = 1000;
    // Another connection's writer waiting on the lock gets in between.
    static constexpr std::chrono::milliseconds BatchPause{10};

    PruneWorker(QString folder, std::chrono::milliseconds interval);
    ~PruneWorker() override;

    // Opens the connection, starts the interval and the first pass.
    void begin();
    // Starts a pass unless one runs.
    void pass();

signals:
    void pruned(qint64 rows, const QString& before);
    void refused(const QString& why);

private:
    void step();

    QString m_folder;
    std::chrono::milliseconds m_interval;
    std::unique_ptr<Database> m_database;
    std::optional<SnapshotPruning> m_pruning;
    QTimer m_timer{this};
    QTimer m_pause{this};
};
