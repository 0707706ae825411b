#include "MeterTable.h"

#include "FullSync.h"
#include "Record.h"
#include "StoredTime.h"

#include <QSqlError>
#include <QStringList>

namespace {

// The columns of a reading's values in `yibiaodizhi` and `Historydata`,
// in table order, between `dizhi` and `CreateTime`.
struct ReadingColumn {
    const char* name;
    std::optional<QString> Reading::*value;
};

constexpr ReadingColumn readingColumns[] = {
    {"MinuteAverage", &Reading::flowRate},    {"danwei1", &Reading::flowRateUnit},
    {"Foward", &Reading::forwardTotal},       {"Reverse", &Reading::reverseTotal},
    {"danwei2", &Reading::totalizerUnit},     {"zhuangtai", &Reading::status},
    {"liusu", &Reading::flowSpeed},           {"baifenbi", &Reading::spanPercentage},
    {"dianzu", &Reading::electrodeImpedance},
};
static_assert(std::size(readingColumns) == readingValues.size());

// Each column name made into a piece of a statement, joined by commas.
template <typename Piece> QString eachColumn(Piece piece) {
    QStringList pieces;
    for (const ReadingColumn& column : readingColumns)
        pieces << piece(QLatin1String(column.name));
    return pieces.join(QLatin1Char(','));
}

// Every column of a meter row, in table order.
QString rowColumns() {
    return QStringLiteral("dizhi,") + eachColumn([](QLatin1String name) { return QString(name); }) +
           QStringLiteral(",CreateTime,line,read_at");
}

} // namespace

QString MeterTable::timeText(const QDateTime& time) {
    return StoredTime::text(time);
}

MeterTable::MeterTable(QSqlDatabase db) : m_db(std::move(db)), m_store(m_db) {
    // A value the reading lacks goes in as NULL and keeps the column's text.
    m_store.prepare(
        QStringLiteral("update yibiaodizhi set %1,CreateTime=?,read_at=? where line=? and dizhi=?")
            .arg(eachColumn(
                [](QLatin1String name) { return QStringLiteral("%1=coalesce(?,%1)").arg(name); })));
}

StoreWrite MeterTable::clearReadings(const std::optional<QDateTime>& before) {
    // One statement per column, so a column the table lacks does not keep
    // the others from being blanked. No time is NULL. The first refusal is
    // the one reported.
    QStringList statements;
    for (const ReadingColumn& column : readingColumns)
        statements
            << QStringLiteral("update yibiaodizhi set %1=''").arg(QLatin1String(column.name));
    statements << QStringLiteral("update yibiaodizhi set CreateTime=NULL,read_at=NULL");
    const QString where =
        before ? QStringLiteral(" where CreateTime is null or CreateTime<?") : QString();
    const QVariantList values = before ? QVariantList{timeText(*before)} : QVariantList();
    StoreWrite result;
    for (const QString& sql : statements) {
        QSqlQuery update(m_db);
        const StoreWrite write = StoreWrite::run(update, sql + where, values);
        if (write.isRefused() && !result.isRefused())
            result = write;
    }
    return result;
}

QList<Reading> MeterTable::readings() const {
    const RowSet rows = Record(
        QStringLiteral("select %1 from yibiaodizhi ORDER BY line,dizhi").arg(rowColumns()), m_db);
    QList<Reading> readings;
    readings.reserve(rows.rowCount());
    for (const QVariantList& row : rows.rows()) {
        Reading reading;
        reading.address = row.value(0).toInt();
        for (std::size_t i = 0; i < std::size(readingColumns); ++i)
            reading.*readingColumns[i].value = row.value(qsizetype(i) + 1).toString();
        const qsizetype time = qsizetype(std::size(readingColumns)) + 1;
        // The moment when it was kept; else the local text, as older rows have it.
        const QVariant readAt = row.value(time + 2);
        reading.time = readAt.isNull()
                           ? QDateTime::fromString(row.value(time).toString(),
                                                   QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                           : QDateTime::fromMSecsSinceEpoch(readAt.toLongLong());
        reading.line = row.value(time + 1).toInt();
        readings << reading;
    }
    return readings;
}

StoreWrite MeterTable::storeReading(const Reading& reading) {
    int at = 0;
    for (const ReadingColumn& column : readingColumns) {
        const std::optional<QString>& value = reading.*column.value;
        m_store.bindValue(at++, value ? QVariant(*value) : QVariant());
    }
    m_store.bindValue(at++, reading.time.isValid() ? QVariant(timeText(reading.time)) : QVariant());
    m_store.bindValue(at++, reading.time.isValid() ? QVariant(reading.time.toMSecsSinceEpoch())
                                                   : QVariant());
    m_store.bindValue(at++, reading.line);
    m_store.bindValue(at, reading.address);
    StoreWrite result = StoreWrite::done();
    if (!m_store.exec())
        result = StoreWrite::refused(m_store.lastError());
    else if (m_store.numRowsAffected() != 1)
        result = StoreWrite::noSuchRow();
    m_store.finish();
    return result;
}

StoreWrite MeterTable::snapshot() {
    // Readings are stored without a flush, history with one.
    const FullSync durable(m_db);
    // Column by column, so the copy files every value where it belongs even
    // if the two tables came to list their columns in another order.
    QSqlQuery insert(m_db);
    const StoreWrite result = StoreWrite::run(
        insert, QStringLiteral("insert into Historydata (%1) select %1 from yibiaodizhi")
                    .arg(rowColumns()));
    return result;
}

QList<int> MeterTable::addresses(int line) const {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    QList<int> addresses;
    if (StoreWrite::run(query,
                        QStringLiteral("select dizhi from yibiaodizhi where line=? order by dizhi"),
                        {line})
            .isRefused())
        return addresses;
    while (query.next())
        addresses << query.value(0).toInt();
    return addresses;
}

StoreWrite MeterTable::addMeter(int line, int address) {
    // Only on a line the station has: line 1, or one with its row.
    QSqlQuery insert(m_db);
    const StoreWrite lineThere = StoreWrite::run(
        insert, QStringLiteral("select 1 where ?=1 or exists (select 1 from lines where number=?)"),
        {line, line});
    if (lineThere.isRefused())
        return lineThere;
    if (!insert.next())
        return StoreWrite::noSuchRow();
    // Tested and inserted in one statement: a duplicate never arises, with
    // or without a key on the columns.
    return StoreWrite::run(
        insert,
        QStringLiteral("insert into yibiaodizhi (line,dizhi) select ?,? where not exists "
                       "(select 1 from yibiaodizhi where line=? and dizhi=?)"),
        {line, address, line, address});
}

StoreWrite MeterTable::deleteMeter(int line, int address) {
    QSqlQuery remove(m_db);
    return StoreWrite::run(remove,
                           QStringLiteral("delete from yibiaodizhi where line=? and dizhi=?"),
                           {line, address});
}
