#include "AlarmJournal.h"

#include "FullSync.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

std::optional<qint64> optionalTime(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<qint64>(value.toLongLong());
}

} // namespace

StoreWrite AlarmJournal::change(const QString& sql, const QVariantList& values, qint64* id) {
    const FullSync durable(m_db);
    QSqlQuery query(m_db);
    const StoreWrite write = StoreWrite::run(query, sql, values);
    if (!write.isDone())
        return write;
    if (id)
        *id = query.lastInsertId().toLongLong();
    return query.numRowsAffected() > 0 ? write : StoreWrite::noSuchRow();
}

StoreWrite AlarmJournal::came(int line, int address, const QString& alarm, qint64 at, qint64* id) {
    return change(
        QStringLiteral("insert into alarm_journal (line,address,alarm,came) values (?,?,?,?)"),
        {line, address, alarm, at}, id);
}

StoreWrite AlarmJournal::went(int line, int address, const QString& alarm, qint64 at) {
    return change(QStringLiteral("update alarm_journal set went=? where line=? and address=? and "
                                 "alarm=? and went is null"),
                  {at, line, address, alarm});
}

StoreWrite AlarmJournal::acknowledge(qint64 id, qint64 at, int level) {
    return change(QStringLiteral("update alarm_journal set acknowledged_at=?,acknowledged_by=? "
                                 "where rowid=? and acknowledged_at is null"),
                  {at, level, id});
}

QList<AlarmOccurrence> AlarmJournal::select(const QString& where, const QVariantList& values,
                                            bool newestFirst) const {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const QString order = newestFirst ? QStringLiteral(" desc") : QString();
    QList<AlarmOccurrence> rows;
    if (!query.prepare(QStringLiteral("select rowid,line,address,alarm,came,went,acknowledged_at,"
                                      "acknowledged_by from alarm_journal where ") +
                       where + QStringLiteral(" order by came") + order + QStringLiteral(",rowid") +
                       order))
        return rows;
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return rows;
    while (query.next()) {
        const QVariant level = query.value(7);
        rows << AlarmOccurrence{query.value(0).toLongLong(),
                                query.value(1).toInt(),
                                query.value(2).toInt(),
                                query.value(3).toString(),
                                query.value(4).toLongLong(),
                                optionalTime(query.value(5)),
                                optionalTime(query.value(6)),
                                level.isNull() ? std::nullopt : std::optional<int>(level.toInt())};
    }
    return rows;
}

QList<AlarmOccurrence> AlarmJournal::search(const Search& search) const {
    // Overlapping the range: came before its end, and not gone before its start.
    QString where = QStringLiteral("came<=? and (went is null or went>=?)");
    QVariantList values{search.to, search.from};
    if (search.line) {
        where += QStringLiteral(" and line=?");
        values << *search.line;
    }
    if (search.address) {
        where += QStringLiteral(" and address=?");
        values << *search.address;
    }
    return select(where, values, search.newestFirst);
}

QList<AlarmOccurrence> AlarmJournal::open() const {
    return select(QStringLiteral("went is null"), {}, false);
}
