#include "SettingsTable.h"

#include "FullSync.h"
#include "Record.h"
#include "StoreError.h"

#include <QSqlError>
#include <QSqlQuery>
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
    const RowSet row = Record(QStringLiteral("select * from kente"), m_db);
    if (row.eof())
        return {row.isOpen() ? StoreError::NoCurrentRow : StoreError::RowSetClosed, {}};
    // A column the row lacks reads as no value.
    const auto text = [&row](const char* column) {
        return row.value(QString::fromLatin1(column)).value_or(QVariant()).toString();
    };
    return {0, {text("com"), text("settings"), text("noe"), text("timer"), text("timesj")}};
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
