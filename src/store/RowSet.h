#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>
#include <optional>

// The program's own copy of a query result, walked row by row. A row set
// whose statement failed (or that ran an update or delete) is not open and
// has no rows.
class RowSet {
public:
    RowSet() = default;
    RowSet(QStringList columns, QList<QVariantList> rows);

    bool isOpen() const { return m_open; }
    bool eof() const { return m_position >= m_rows.size(); }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const QStringList& columns() const { return m_columns; }
    const QList<QVariantList>& rows() const { return m_rows; }

    void moveNext();
    int position() const { return static_cast<int>(m_position); }

    // The named field of the current row (case-insensitive name); nullopt
    // when the set is not open, has no current row or no such column.
    std::optional<QVariant> value(const QString& column) const;

private:
    bool m_open = false;
    QStringList m_columns;
    QList<QVariantList> m_rows;
    qsizetype m_position = 0;
};
