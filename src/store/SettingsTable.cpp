#include "SettingsTable.h"

#include "Record.h"

#include <QSqlQuery>

namespace {

QVariant orNull(std::optional<int> value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<int>());
}

bool updateRow(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    QSqlQuery update(db);
    if (!update.prepare(sql))
        return false;
    for (const QVariant& value : values)
        update.addBindValue(value);
    return update.exec() && update.numRowsAffected() > 0;
}

} // namespace

RowSet SettingsTable::read() const {
    return Record(QStringLiteral("select * from kente"), m_db);
}

RowSet SettingsTable::readForSetup() const {
    return Record(QStringLiteral("select  * from kente"), m_db);
}

bool SettingsTable::storeLineSettings(const QString& baud, std::optional<int> com, int timer,
                                      std::optional<int> noe) {
    return updateRow(m_db,
                     QStringLiteral("update kente set settings=?,com=coalesce(?,com),timer=?,"
                                    "noe=coalesce(?,noe)"),
                     {baud, orNull(com), timer, orNull(noe)});
}

bool SettingsTable::storeRecordInterval(int minutes) {
    return updateRow(m_db, QStringLiteral("update kente set timesj=?"), {minutes});
}
