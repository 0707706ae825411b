#pragma once

#include "HistoryTable.h"

#include <QList>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <optional>

// The rows a history grid shows, read a page at a time. Each page is one
// short query that is over when it returns, so a grid never holds a read
// open on the store: the write-ahead log can always be checkpointed and
// restarted, and no row is kept in memory that the grid does not hold.
// Pages go by key (the time, then the row number), so a page deep in a
// large result costs what the first does. Like a query's result, the rows
// are those stored when the object was made; later ones do not join.
class HistoryRows {
public:
    // Where a page starts: after the row with this time and row number.
    struct Key {
        QVariant time;
        qint64 row = 0;
    };
    struct Page {
        QList<QVariantList> rows; // the table's columns, in table order
        std::optional<Key> last;  // the key of the last row, nullopt when none
    };

    // The 50 earliest rows, oldest first (the load).
    static HistoryRows firstRows(const HistoryTable& table, const QSqlDatabase& db);
    // What `HistoryTable::search` finds for the same texts and line, in its order;
    // nullopt when either date cannot be read.
    static std::optional<HistoryRows> search(const HistoryTable& table, const QSqlDatabase& db,
                                             const QString& from, const QString& to,
                                             const QString& filter,
                                             std::optional<int> line = std::nullopt);
    // The table's columns and no row.
    static HistoryRows none(const HistoryTable& table, const QSqlDatabase& db);

    // The same rows as stored now: those stored since join.
    HistoryRows refreshed() const;

    // The table's columns; none when the table cannot be read.
    const QStringList& columns() const { return m_columns; }

    // Up to `count` rows after `after`, from the first when nullopt. Fewer
    // than `count` means the end; a failing query gives no row. The 50
    // earliest rows come as one page, whatever the count.
    Page after(const std::optional<Key>& after, int count) const;
    // The statement `after` runs, with the row number first in each row.
    BoundStatement pageStatement(const std::optional<Key>& after, int count) const;

private:
    enum class Kind { First, Range, None };

    HistoryRows(const HistoryTable& table, QSqlDatabase db, Kind kind,
                std::optional<HistoryTable::Range> range);

    const HistoryTable* m_table;
    QSqlDatabase m_db;
    Kind m_kind;
    std::optional<HistoryTable::Range> m_range;
    QStringList m_columns;
    qint64 m_lastRow = 0; // the highest row number when made
};
