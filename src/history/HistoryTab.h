#pragma once

#include "HistoryGridModel.h"
#include "HistoryTable.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// What one tab of the "History" window does, without its widgets: the
// load, "Search", "Delete record" and "Delete all" over one table, each
// ending with the grid bound to what it should show.
class HistoryTab {
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

    HistoryTab(const HistoryTable& table, const Texts& texts, QSqlDatabase db);

    const Texts& texts() const { return m_texts; }
    HistoryGridModel& model() { return m_model; }

    // The 50 earliest rows.
    void load();
    // The rows between the two days for the filter; a date that cannot be
    // read shows no rows.
    void search(const QString& from, const QString& to, const QString& filter);
    // Deletes what `search` with the same texts would show, then shows what
    // is left of the grid's last rows. An unreadable date deletes nothing.
    void deleteRecord(const QString& from, const QString& to, const QString& filter);
    // Empties the table, then shows what is left of the grid's last rows.
    void deleteAll();

private:
    void show(const BoundStatement& statement);
    void carryOut(const BoundStatement& statement);

    const HistoryTable& m_table;
    const Texts& m_texts;
    QSqlDatabase m_db;
    HistoryGridModel m_model;
    BoundStatement m_shown;
};
