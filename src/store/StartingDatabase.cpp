#include "StartingDatabase.h"

#include "SchemaSql.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

bool run(const QSqlDatabase& db, const QString& sql, const QVariantList& values, QString* error) {
    QSqlQuery query(db);
    if (!query.prepare(sql)) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    return true;
}

bool fill(QSqlDatabase& db, const StartingDatabase::Options& options, QString* error) {
    QSqlQuery query(db);
    const QStringList statements = QString::fromUtf8(schemaSql).split(
        QRegularExpression(QStringLiteral(";\\s*\\n")), Qt::SkipEmptyParts);
    for (const QString& statement : statements) {
        if (statement.trimmed().isEmpty())
            continue;
        // Plain exec: the schema's comments hold colons that a prepared
        // statement would take for placeholders.
        if (!query.exec(statement)) {
            if (error)
                *error = query.lastError().text();
            return false;
        }
    }
    const std::pair<const char*, QVariant> settings[] = {
        {"com", options.com ? QVariant(*options.com) : QVariant()},
        {"settings", options.settings ? QVariant(*options.settings) : QVariant()},
        {"noe", options.noe ? QVariant(*options.noe) : QVariant()},
        {"timer", options.timer ? QVariant(*options.timer) : QVariant()},
        {"timesj", options.timesj ? QVariant(*options.timesj) : QVariant()},
    };
    for (const auto& [column, value] : settings) {
        if (value.isValid() &&
            !run(db, QStringLiteral("update kente set %1=?").arg(QLatin1String(column)), {value},
                 error))
            return false;
    }
    if (options.meters) {
        if (!run(db, QStringLiteral("delete from yibiaodizhi"), {}, error))
            return false;
        for (int meter : *options.meters) {
            if (!run(db, QStringLiteral("insert into yibiaodizhi (dizhi) values (?)"), {meter},
                     error))
                return false;
        }
    }
    return true;
}

} // namespace

bool StartingDatabase::create(const QString& path, const Options& options, QString* error) {
    if (QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("%1 exists already").arg(path);
        return false;
    }
    const QString name = QStringLiteral("starting-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            if (error)
                *error = db.lastError().text();
        } else {
            ok = db.transaction() && fill(db, options, error) && db.commit();
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok)
        QFile::remove(path); // never leave a half-made database behind
    return ok;
}
