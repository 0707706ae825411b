#pragma once

#include <QString>
#include <QVariantList>
#include <optional>

// One statement with the values for its placeholders, in order.
struct BoundStatement {
    QString sql;
    QVariantList values;
};

// The statements over one stored history: the meters' snapshots
// (`Historydata`) or the operation log (`caozuo`). Rows are picked by a
// range of days and, optionally, one meter address or serial number, and
// come oldest first. Table and column names are fixed here; everything an
// operator types is a bound value, so it can never change a statement.
class HistoryTable {
public:
    static const HistoryTable& snapshots();
    static const HistoryTable& operationLog();

    HistoryTable(QString table, QString timeColumn, QString filterColumn);

    const QString& table() const { return m_table; }
    const QString& timeColumn() const { return m_timeColumn; }
    const QString& filterColumn() const { return m_filterColumn; }

    // A typed "yyyy-mm-dd" (blanks around it allowed) as the stored time
    // text of that day's 00:00:00; nullopt when it is not a date.
    static std::optional<QString> dayStart(const QString& typed);
    // An empty filter, or exactly "All", stands for every meter or serial.
    static bool meansEveryone(const QString& filter);

    // The 50 earliest rows, oldest first.
    BoundStatement firstRows() const;
    // The table's columns without a row.
    BoundStatement noRows() const;
    // Rows from 00:00 of `from` to 00:00 of `to`, both included, oldest
    // first; nullopt when either date cannot be read.
    std::optional<BoundStatement> search(const QString& from, const QString& to,
                                         const QString& filter) const;
    // Removes the rows that `search` with the same texts finds.
    std::optional<BoundStatement> rangedDelete(const QString& from, const QString& to,
                                               const QString& filter) const;
    BoundStatement deleteAll() const;

private:
    // The where clause shared by the search and the ranged delete.
    std::optional<BoundStatement> range(const QString& from, const QString& to,
                                        const QString& filter) const;

    QString m_table;
    QString m_timeColumn;
    QString m_filterColumn;
};
