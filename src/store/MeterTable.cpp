#include "MeterTable.h"

#include "Record.h"

#include <cstdio>

namespace {

QVariant orNull(const std::optional<QString>& text) {
    return text ? QVariant(*text) : QVariant();
}

} // namespace

const QStringList& MeterTable::liveColumns() {
    static const QStringList columns{QStringLiteral("dizhi"),   QStringLiteral("MinuteAverage"),
                                     QStringLiteral("danwei1"), QStringLiteral("Foward"),
                                     QStringLiteral("danwei2"), QStringLiteral("zhuangtai"),
                                     QStringLiteral("liusu"),   QStringLiteral("baifenbi"),
                                     QStringLiteral("dianzu"),  QStringLiteral("CreateTime")};
    return columns;
}

QString MeterTable::timeText(const QDateTime& time) {
    // Runs for every stored reply: plain digits, without the locale-aware
    // formatter's cost. Same text as "yyyy-MM-dd HH:mm:ss".
    const QDate date = time.date();
    const QTime clock = time.time();
    char text[32];
    const int size =
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(),
                      date.day(), clock.hour(), clock.minute(), clock.second());
    return QString::fromLatin1(text, size);
}

MeterTable::MeterTable(QSqlDatabase db) : m_db(std::move(db)), m_store(m_db) {
    m_store.prepare(QStringLiteral(
        "update yibiaodizhi set MinuteAverage=coalesce(?,MinuteAverage),"
        "danwei1=coalesce(?,danwei1),Foward=coalesce(?,Foward),Reverse=coalesce(?,Reverse),"
        "danwei2=coalesce(?,danwei2),zhuangtai=coalesce(?,zhuangtai),liusu=coalesce(?,liusu),"
        "baifenbi=coalesce(?,baifenbi),dianzu=coalesce(?,dianzu),CreateTime=? where dizhi=?"));
}

void MeterTable::clearReadings() {
    // One statement per column, so a column the table lacks does not keep
    // the others from being blanked. No time is NULL.
    static const char* const columns[] = {"MinuteAverage", "danwei1",  "Foward",
                                          "Reverse",       "danwei2",  "zhuangtai",
                                          "liusu",         "baifenbi", "dianzu"};
    for (const char* column : columns)
        Record(QStringLiteral("update yibiaodizhi set %1=''").arg(QLatin1String(column)), m_db);
    Record(QStringLiteral("update yibiaodizhi set CreateTime=NULL"), m_db);
}

RowSet MeterTable::liveRows() const {
    return Record(QStringLiteral("select %1 from yibiaodizhi ORDER BY dizhi asc")
                      .arg(liveColumns().join(QLatin1Char(','))),
                  m_db);
}

bool MeterTable::storeReading(int address, const StoredReading& reading, const QDateTime& time) {
    const QVariant values[] = {orNull(reading.MinuteAverage),
                               orNull(reading.danwei1),
                               orNull(reading.Foward),
                               orNull(reading.Reverse),
                               orNull(reading.danwei2),
                               orNull(reading.zhuangtai),
                               orNull(reading.liusu),
                               orNull(reading.baifenbi),
                               orNull(reading.dianzu),
                               timeText(time),
                               address};
    for (int i = 0; i < static_cast<int>(std::size(values)); ++i)
        m_store.bindValue(i, values[i]);
    const bool stored = m_store.exec() && m_store.numRowsAffected() == 1;
    m_store.finish();
    return stored;
}

bool MeterTable::snapshot() {
    QSqlQuery insert(m_db);
    return insert.exec(QStringLiteral("insert into Historydata select * from yibiaodizhi"));
}

RowSet MeterTable::addresses() const {
    return Record(QStringLiteral("select  dizhi from yibiaodizhi ORDER BY dizhi asc"), m_db);
}

bool MeterTable::addMeter(int address) {
    // Tested and inserted in one statement: a duplicate never arises, with
    // or without a key on the column.
    QSqlQuery insert(m_db);
    if (!insert.prepare(QStringLiteral("insert into yibiaodizhi (dizhi) select ? where not exists "
                                       "(select 1 from yibiaodizhi where dizhi=?)")))
        return false;
    insert.addBindValue(address);
    insert.addBindValue(address);
    return insert.exec();
}

bool MeterTable::deleteMeter(int address) {
    QSqlQuery remove(m_db);
    if (!remove.prepare(QStringLiteral("delete from yibiaodizhi where dizhi=?")))
        return false;
    remove.addBindValue(address);
    return remove.exec();
}
