#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <chrono>

class CheckpointWorker;

// Copies the write-ahead log back into the database file on a thread and a
// connection of its own, so that no commit on the user-interface thread, a
// stored reply's least of all, waits for that copy or its disk flushes. The
// checkpoints are passive: they never wait for a reader or a writer, and
// never hold one up.
class Checkpointer : public QObject {
    Q_OBJECT
public:
    // Checkpoints every `interval`, and whenever asked; a zero interval
    // checkpoints only when asked.
    explicit Checkpointer(QString folder,
                          std::chrono::milliseconds interval = std::chrono::seconds(1),
                          QObject* parent = nullptr);
    ~Checkpointer() override;
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    // A checkpoint as soon as the thread is free; caughtUp() follows it.
    void request();

signals:
    // A requested checkpoint is over. Unless a reader still needed part of
    // the log, all of it is back in the file, and the next commit starts the
    // log afresh.
    void caughtUp();

private:
    QThread m_thread;
    CheckpointWorker* m_worker = nullptr; // lives on m_thread, deleted there
};
