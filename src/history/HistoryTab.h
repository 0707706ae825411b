#pragma once

#include "HistoryGridModel.h"
#include "HistoryRows.h"
#include "HistoryTable.h"

#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class BatchedDelete;
class Checkpointer;
class DeleteRunner;

// What one tab of the "History" window does, without its widgets: the
// load, "Search", "Delete record" and "Delete all" over one table, each
// ending with the grid bound to what it should show. A delete runs a batch
// at a time on the event loop and says how far it has come.
class HistoryTab : public QObject {
    Q_OBJECT
public:
    // The texts and column widths of one tab.
    struct Texts {
        QString title;
        QString filterCaption;
        QStringList captions;
        QList<int> widthsTwips;
    };
    static const Texts& snapshotTexts();
    static const Texts& operationLogTexts();

    // `folder` is the program folder the connection is to.
    HistoryTab(const HistoryTable& table, const Texts& texts, QSqlDatabase db, QString folder,
               Checkpointer& checkpointer, QObject* parent = nullptr);
    ~HistoryTab() override;

    const Texts& texts() const { return m_texts; }
    HistoryGridModel& model() { return m_model; }

    // The 50 earliest rows.
    void load();
    // The rows between the two days for the filter and the line (nullopt:
    // every line); a date that cannot be read shows no rows.
    void search(const QString& from, const QString& to, const QString& filter,
                std::optional<int> line = std::nullopt);
    // Starts deleting what `search` with the same texts and line would
    // show; once done the grid shows what is left of its last rows. An
    // unreadable date deletes nothing and shows those rows again at once.
    void deleteRecord(const QString& from, const QString& to, const QString& filter,
                      std::optional<int> line = std::nullopt);
    // Starts emptying the table, likewise.
    void deleteAll();
    bool isDeleting() const;
    // The running delete, for the tests and the benchmark; null when none.
    DeleteRunner* runningDelete() const;

signals:
    void deleteStarted();
    void deleteProgress(int percent);
    void deleteFinished();

private:
    void show(HistoryRows rows);
    void startDelete(BatchedDelete job);

    const HistoryTable& m_table;
    const Texts& m_texts;
    QSqlDatabase m_db;
    QString m_folder;
    Checkpointer& m_checkpointer;
    HistoryGridModel m_model;
    std::optional<HistoryRows> m_shown;
    QPointer<DeleteRunner> m_delete;
};
