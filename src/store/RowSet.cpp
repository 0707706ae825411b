#include "RowSet.h"

RowSet::RowSet(QStringList columns, QList<QVariantList> rows)
    : m_open(true), m_columns(std::move(columns)), m_rows(std::move(rows)) {}

void RowSet::moveNext() {
    if (m_position < m_rows.size())
        ++m_position;
}

std::optional<QVariant> RowSet::value(const QString& column) const {
    if (!m_open || eof())
        return std::nullopt;
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return m_rows[m_position].value(i);
    }
    return std::nullopt;
}
