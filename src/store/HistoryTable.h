#pragma once

#include <QString>
#include <QVariantList>
#include <optional>

class QSqlQuery;

// One statement with the values for its placeholders, in order.
struct BoundStatement {
    QString sql;
    QVariantList values;

    // Prepares, binds and runs it on the query; false when any step fails.
    bool runOn(QSqlQuery& query) const;
};

// The statements over one stored history: the meters' snapshots
// (`Historydata`) or the operation log (`caozuo`). Rows are picked by a
// range of days and, optionally, one meter address or serial number and
// one line, and come oldest first. Table and column names are fixed here;
// everything an operator types is a bound value, so it can never change a
// statement.
class HistoryTable {
public:
    // The rows of a search: times from `first` to `last`, both included,
    // the filter column equal to `only` and the line equal to `line` when
    // they are set. A table without lines ignores `line`.
    struct Range {
        QString first;
        QString last;
        std::optional<QString> only;
        std::optional<int> line;
    };

    static const HistoryTable& snapshots();
    static const HistoryTable& operationLog();

    HistoryTable(QString table, QString timeColumn, QString filterColumn,
                 QString columns = QStringLiteral("*"), QString lineColumn = QString());

    const QString& table() const { return m_table; }
    // The columns a row shows, in table order, as a select list.
    const QString& columns() const { return m_columns; }
    // The same with the line after them, where the table keeps one.
    QString columnsWithLine() const;
    const QString& timeColumn() const { return m_timeColumn; }
    const QString& filterColumn() const { return m_filterColumn; }

    // A typed "yyyy-mm-dd" (blanks around it allowed) as the stored time
    // text of that day's 00:00:00; nullopt when it is not a date.
    static std::optional<QString> dayStart(const QString& typed);
    // An empty filter, or exactly "All", stands for every meter or serial.
    static bool meansEveryone(const QString& filter);
    // From 00:00 of `from` to 00:00 of `to`, for the typed filter and the
    // line (nullopt: every line); nullopt when either date cannot be read.
    static std::optional<Range> range(const QString& from, const QString& to, const QString& filter,
                                      std::optional<int> line = std::nullopt);

    // "<time> between ? and ?", and the filter and the line when set, their
    // values appended. Times are stored as 'yyyy-MM-dd HH:mm:ss' text, so
    // comparing texts compares times, and the (time) and (filter, time)
    // indexes serve it.
    QString condition(const Range& range, QVariantList& values) const;

    // The rows of the range, oldest first, in one statement: the columns a
    // row shows, then its line where the table keeps one; nullopt when
    // either date cannot be read.
    std::optional<BoundStatement> search(const QString& from, const QString& to,
                                         const QString& filter,
                                         std::optional<int> line = std::nullopt) const;

private:
    QString m_table;
    QString m_timeColumn;
    QString m_filterColumn;
    QString m_columns;
    QString m_lineColumn;
};
