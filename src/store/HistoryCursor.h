#pragma once

#include "HistoryTable.h"

#include <QSqlDatabase>
#include <QString>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// The rows of one statement read one at a time, each value as the UTF-8
// bytes SQLite keeps, never gathered in memory. For the exports and the
// trend, which walk millions of rows: going through QSqlQuery would make a
// QVariant and a QString of every value and is about three times slower.
// The statement runs on the connection's own SQLite handle, so it must be
// used on that connection's thread and ended before the connection closes.
class HistoryCursor {
public:
    // The connection's own SQLite handle; null when it has none.
    static sqlite3* handleOf(const QSqlDatabase& db);

    HistoryCursor(const QSqlDatabase& db, const BoundStatement& statement);
    ~HistoryCursor();
    HistoryCursor(const HistoryCursor&) = delete;
    HistoryCursor& operator=(const HistoryCursor&) = delete;

    // False when the statement could not be prepared; error() says why.
    bool isOpen() const { return m_statement != nullptr; }
    int columnCount() const { return m_columns; }

    // Moves to the next row; false at the end or on a failure, which
    // error() then names.
    bool next();
    // Empty, or why the statement could not run to its end.
    const QString& error() const { return m_error; }

    // The current row's value as stored; empty for NULL.
    std::string_view text(int column) const;

private:
    QSqlDatabase m_db; // keeps the connection open while the statement lives
    sqlite3_stmt* m_statement = nullptr;
    int m_columns = 0;
    QString m_error;
};
