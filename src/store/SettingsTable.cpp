#include "SettingsTable.h"

#include "FullSync.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <limits>

namespace {

QVariant orNull(std::optional<int> value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<int>());
}

StoreWrite updateRow(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    const FullSync durable(db);
    QSqlQuery update(db);
    if (!update.prepare(sql))
        return StoreWrite::refused(update.lastError());
    for (const QVariant& value : values)
        update.addBindValue(value);
    if (!update.exec())
        return StoreWrite::refused(update.lastError());
    return update.numRowsAffected() > 0 ? StoreWrite::done() : StoreWrite::noSuchRow();
}

// Why `select * from kente` failed, by SQLite's primary result code.
StoreError::Fault faultOf(const QSqlError& error) {
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case 1: // SQLITE_ERROR: the one table named is not there
        return StoreError::Fault::NoTable;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return StoreError::Fault::Locked;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return StoreError::Fault::Damaged;
    default:
        return StoreError::Fault::Unreadable;
    }
}

} // namespace

int SettingsTable::toInt16(const QString& stored, int* value) {
    bool ok = false;
    const double number = stored.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return StoreError::TypeMismatch;
    const double rounded = std::nearbyint(number); // half to even
    if (rounded > std::numeric_limits<qint16>::max() ||
        rounded < std::numeric_limits<qint16>::min())
        return StoreError::Overflow;
    *value = static_cast<int>(rounded);
    return 0;
}

SettingsTable::Read SettingsTable::read() const {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select * from kente")))
        return {StoreError::RowSetClosed, faultOf(query.lastError()), {}};
    if (!query.next()) {
        if (query.lastError().isValid())
            return {StoreError::RowSetClosed, faultOf(query.lastError()), {}};
        return {StoreError::NoCurrentRow, StoreError::Fault::NoRow, {}};
    }
    // A column the row lacks reads as no value.
    const QSqlRecord record = query.record();
    const auto text = [&](const char* column) {
        const int index = record.indexOf(QString::fromLatin1(column));
        return index < 0 ? QString() : query.value(index).toString();
    };
    return {0,
            StoreError::Fault::None,
            {text("com"), text("settings"), text("noe"), text("timer"), text("timesj"),
             text("keep_days")}};
}

StoreWrite SettingsTable::storeLineSettings(const QString& baud, std::optional<int> com, int timer,
                                            std::optional<int> noe) {
    return updateRow(m_db,
                     QStringLiteral("update kente set settings=?,com=coalesce(?,com),timer=?,"
                                    "noe=coalesce(?,noe)"),
                     {baud, orNull(com), timer, orNull(noe)});
}

StoreWrite SettingsTable::storeRecordInterval(int minutes) {
    return updateRow(m_db, QStringLiteral("update kente set timesj=?"), {minutes});
}

bool SettingsTable::desktopNotices() const {
    QSqlQuery query(m_db);
    return query.exec(QStringLiteral("select desktop_notices from kente")) && query.next() &&
           query.value(0).toInt() == 1;
}

StoreWrite SettingsTable::storeDesktopNotices(bool on) {
    return updateRow(m_db, QStringLiteral("update kente set desktop_notices=?"), {on ? 1 : 0});
}

StoreWrite SettingsTable::storeKeepDays(int days) {
    return updateRow(m_db, QStringLiteral("update kente set keep_days=?"), {days});
}

StoredWeb SettingsTable::web() const {
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("select http, http_certificate, http_key from kente")) ||
        !query.next())
        return {};
    return {query.value(0).toString().trimmed(), query.value(1).toString(),
            query.value(2).toString()};
}

StoreWrite SettingsTable::storeWeb(const StoredWeb& web) {
    return updateRow(m_db,
                     QStringLiteral("update kente set http=?, http_certificate=?, http_key=?"),
                     {web.listen, web.certificateFile, web.keyFile});
}
