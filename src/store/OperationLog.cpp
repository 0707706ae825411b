#include "OperationLog.h"

#include "MeterTable.h"

#include <QSqlQuery>

namespace {

// An empty value is stored as the empty text, not as "no value".
QString text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

} // namespace

bool OperationLog::append(const OperationLogRow& row) {
    QSqlQuery insert(m_db);
    if (!insert.prepare(QStringLiteral("insert into caozuo (quanxian,bianma,xiangmu,dudao,xieru,"
                                       "riqi) values (?,?,?,?,?,?)")))
        return false;
    insert.addBindValue(row.quanxian);
    insert.addBindValue(text(row.bianma));
    insert.addBindValue(text(row.xiangmu));
    insert.addBindValue(text(row.dudao));
    insert.addBindValue(text(row.xieru));
    insert.addBindValue(MeterTable::timeText(row.riqi));
    return insert.exec();
}
