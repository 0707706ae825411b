#pragma once

#include "Reading.h"
#include "StoreWrite.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>
#include <chrono>

class ReadingWriterWorker;

// Stores meters' latest readings on a thread and a connection of its own,
// many in one commit: a commit costs far more CPU than the row it carries,
// and a latest reading is replaced by the next poll anyway. The readings
// gather here and cross to the thread as one group, within `maxAge` of the
// first being handed in, sooner once `maxGroup` wait, and at once on
// flush(): the writer's thread wakes once a group, not once a reading. The
// caller waits for the store only in flush().
class ReadingWriter : public QObject {
    Q_OBJECT
public:
    struct Options {
        // Leaves a reply's row a margin for the commit itself within the
        // 100 ms it may wait.
        std::chrono::milliseconds maxAge{80};
        int maxGroup = 256;
        std::chrono::milliseconds busyTimeout{100};
    };

    explicit ReadingWriter(QString folder, QObject* parent = nullptr)
        : ReadingWriter(std::move(folder), Options(), parent) {}
    ReadingWriter(QString folder, const Options& options, QObject* parent = nullptr);
    // Commits what is still pending.
    ~ReadingWriter() override;
    ReadingWriter(const ReadingWriter&) = delete;
    ReadingWriter& operator=(const ReadingWriter&) = delete;

    // Hands a reading in; never waits. From another thread it comes by a
    // queued call to the writer's own.
    void store(const Reading& reading);
    // On the writer's thread: commits everything handed in so far (from
    // other threads, what has reached it) before it returns, as a snapshot
    // that copies the rows and the program's end need. The first refusal
    // since the last flush, if any; the readings' signals follow, queued.
    StoreWrite flush();

signals:
    // Its group is committed.
    void stored(const Reading& reading);
    // It is not in the store: its meter is not listed (NoSuchRow), or the
    // store refused its group, which is then dropped; the next poll brings
    // a newer reading.
    void refused(const Reading& reading, const StoreWrite& write);
    // A group of this many readings was committed, rows of unlisted meters
    // among them.
    void committed(int readings);

private:
    // Sends the pending group to be committed.
    void handOver();

    Options m_options;
    QList<Reading> m_pending;
    QTimer m_timer{this};
    QThread m_thread;
    ReadingWriterWorker* m_worker = nullptr; // lives on m_thread, deleted there
};
