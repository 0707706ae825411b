#include "Record.h"

#include <QSqlQuery>
#include <QSqlRecord>

RowSet Record(const QString& sql, const QSqlDatabase& db, const QVariantList& values) {
    if (!db.isOpen())
        return {};
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return {};
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec() || !query.isSelect())
        return {};
    const QSqlRecord record = query.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i);
    QList<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row << query.value(i);
        rows << row;
    }
    return RowSet(columns, rows);
}
