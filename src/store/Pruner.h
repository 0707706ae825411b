#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <chrono>

class PruneWorker;

// Prunes old snapshots as the stored setting asks (SnapshotPruning), on a
// thread and a connection of its own: once at start and then every
// `interval`, a batch at a time with a pause between, so that no window
// and no reading waits for it. Freed pages are reused by later rows, so a
// store under steady use stops growing without a vacuum.
class Pruner : public QObject {
    Q_OBJECT
public:
    explicit Pruner(QString folder, std::chrono::milliseconds interval = std::chrono::hours(1),
                    QObject* parent = nullptr);
    ~Pruner() override;
    Pruner(const Pruner&) = delete;
    Pruner& operator=(const Pruner&) = delete;

    // A pass as soon as the thread is free, unless one runs.
    void request();

signals:
    // A pass is over: `rows` taken, every one stored before `before`
    // (empty when every snapshot is kept).
    void pruned(qint64 rows, const QString& before);
    // The store refused a batch: the pass ends there, the next one goes on.
    void refused(const QString& why);

private:
    QThread m_thread;
    PruneWorker* m_worker = nullptr; // lives on m_thread, deleted there
};
