#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>

class Database;

// The Checkpointer's half on its thread: the connection is made, used and
// closed there.
class CheckpointWorker : public QObject {
    Q_OBJECT
public:
    CheckpointWorker(QString folder, std::chrono::milliseconds interval);
    ~CheckpointWorker() override;

    // Opens the connection and starts the interval, on the worker's thread.
    void begin();
    // One checkpoint; a requested one is followed by caughtUp().
    void checkpoint(bool requested);

signals:
    void caughtUp();

private:
    QString m_folder;
    std::chrono::milliseconds m_interval;
    std::unique_ptr<Database> m_database;
    QTimer m_timer{this};
};
