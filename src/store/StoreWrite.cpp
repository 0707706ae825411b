#include "StoreWrite.h"

#include <QSqlError>
#include <QSqlQuery>

StoreWrite StoreWrite::refused(const QSqlError& error) {
    // SQLite's sentence first; Qt's wrapper text ("Unable to fetch row")
    // says nothing about the cause.
    QString reason = error.databaseText().trimmed();
    if (reason.isEmpty())
        reason = error.driverText().trimmed();
    if (reason.isEmpty())
        reason = QStringLiteral("unknown error");
    return {Outcome::Refused, reason};
}

StoreWrite StoreWrite::run(QSqlQuery& query, const QString& sql, const QList<QVariant>& values) {
    if (!query.prepare(sql))
        return refused(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return refused(query.lastError());
    return done();
}
