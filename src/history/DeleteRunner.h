#pragma once

#include "BatchedDelete.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class Checkpointer;
class ReadAhead;

// Carries out a batched delete on the event loop, one batch per turn, each
// sized to take about `BatchTime`, so that the window, the polling and the
// stored replies go on in between. A read-ahead on its own thread brings
// the rows' pages in from disk first, so a batch never waits for the disk.
// After every `BurstTime` of deleting it waits for the checkpointer to copy
// the log back into the file, so that the log restarts and stays small
// however much is deleted.
class DeleteRunner : public QObject {
    Q_OBJECT
public:
    // A batch may run two or three times longer than the one it was sized
    // from; at 5 ms the longest turn stays well under 50 ms.
    static constexpr std::chrono::milliseconds BatchTime{5};
    static constexpr std::chrono::milliseconds BurstTime{250};

    // `folder` is the program folder, for the read-ahead's connection.
    DeleteRunner(BatchedDelete job, const QString& folder, Checkpointer& checkpointer,
                 QObject* parent = nullptr);
    ~DeleteRunner() override;

    // Starts with the next turn of the event loop.
    void start();
    bool isRunning() const { return m_running; }
    qint64 deleted() const { return m_deleted; }
    // A fixed number of rows a batch instead of sizing batches by time.
    void setBatchRows(int rows);

signals:
    void progress(int percent);
    void finished();

private:
    void step();
    void sizeNextBatch(std::chrono::nanoseconds took);

    BatchedDelete m_job;
    std::unique_ptr<ReadAhead> m_readAhead;
    Checkpointer& m_checkpointer;
    QTimer m_next; // the next batch, at the next turn of the loop
    int m_batchRows = 200;
    bool m_fixedBatch = false;
    bool m_running = false;
    bool m_waitingForCheckpoint = false;
    std::chrono::nanoseconds m_sinceCheckpoint{0};
    qint64 m_deleted = 0;
    int m_percent = -1;
};
