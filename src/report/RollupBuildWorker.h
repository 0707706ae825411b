#pragma once

#include <QObject>
#include <QString>
#include <memory>

class Database;
class RollupFolder;

// The RollupBuild's half on its thread: the connection is made, used and
// closed there, and each batch is a queued step, so the thread's events
// (its end above all) come between batches.
class RollupBuildWorker : public QObject {
    Q_OBJECT
public:
    RollupBuildWorker(QString folder, qint64 batchRows);
    ~RollupBuildWorker() override;

    // Opens the connection and starts folding, on the worker's thread.
    void begin();

signals:
    void progress(qint64 done, qint64 total);
    void finished(const QString& error);

private:
    void step();

    QString m_folder;
    qint64 m_batchRows;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<RollupFolder> m_rollups;
    qint64 m_start = -1; // `through` when the build began
};
