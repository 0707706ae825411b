#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QThread>

class RollupBuildWorker;

// Folds the history an older store holds into its rollups, on a thread and
// a connection of its own, in batches each committed with how far it
// reached: readings go on meanwhile, and a build stopped anywhere resumes
// at the next start. Ends once the rollups reach the last row, the rows
// stored meanwhile included.
class RollupBuild : public QObject {
    Q_OBJECT
public:
    // A batch holds the store's write lock: short enough for a snapshot
    // or a stored reading to wait it out unnoticed.
    static constexpr qint64 BatchRows = 5000;

    // Whether the store holds rows the rollups do not reach yet.
    static bool needed(const QSqlDatabase& db);
    // "Building hourly summaries: 42%".
    static QString progressText(qint64 done, qint64 total);

    explicit RollupBuild(QString folder, qint64 batchRows = BatchRows, QObject* parent = nullptr);
    ~RollupBuild() override;
    RollupBuild(const RollupBuild&) = delete;
    RollupBuild& operator=(const RollupBuild&) = delete;

    bool isRunning() const { return m_running; }

signals:
    // Rows folded so far of those there were to fold.
    void progress(qint64 done, qint64 total);
    // Empty when the rollups reach the last row; else why the build stopped.
    void finished(const QString& error);

private:
    QThread m_thread;
    RollupBuildWorker* m_worker = nullptr; // lives on m_thread, deleted there
    bool m_running = true;
};
