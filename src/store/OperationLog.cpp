#include "OperationLog.h"

#include "FullSync.h"
#include "MeterTable.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// An empty value is stored as the empty text, not as "no value".
QString text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

} // namespace

StoreWrite OperationLog::append(const OperationLogRow& row, qint64* rowId) {
    const FullSync durable(m_db);
    QSqlQuery insert(m_db);
    if (!insert.prepare(QStringLiteral("insert into caozuo (quanxian,bianma,xiangmu,dudao,xieru,"
                                       "riqi) values (?,?,?,?,?,?)")))
        return StoreWrite::refused(insert.lastError());
    insert.addBindValue(row.level);
    insert.addBindValue(text(row.serial));
    insert.addBindValue(text(row.item));
    insert.addBindValue(text(row.valueRead));
    insert.addBindValue(text(row.valueWritten));
    insert.addBindValue(MeterTable::timeText(row.time));
    if (!insert.exec())
        return StoreWrite::refused(insert.lastError());
    if (rowId)
        *rowId = insert.lastInsertId().toLongLong();
    return StoreWrite::done();
}

StoreWrite OperationLog::withdraw(qint64 rowId) {
    const FullSync durable(m_db);
    QSqlQuery remove(m_db);
    if (!remove.prepare(QStringLiteral("delete from caozuo where rowid=?")))
        return StoreWrite::refused(remove.lastError());
    remove.addBindValue(rowId);
    if (!remove.exec())
        return StoreWrite::refused(remove.lastError());
    return StoreWrite::done();
}
