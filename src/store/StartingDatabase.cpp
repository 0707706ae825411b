#include "StartingDatabase.h"

#include "LineTable.h"
#include "PublishTable.h"
#include "Schema.h"

#include <QFile>
#include <QFileInfo>
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
    for (const QString& statement : Schema::statements()) {
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
        {"keep_days", options.keepDays ? QVariant(*options.keepDays) : QVariant()},
        {"http", options.web ? QVariant(options.web->listen) : QVariant()},
        {"http_certificate", options.web ? QVariant(options.web->certificateFile) : QVariant()},
        {"http_key", options.web ? QVariant(options.web->keyFile) : QVariant()},
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
    for (const StartingDatabase::Line& line : options.lines) {
        if (!LineTable(db).storeLine(line.settings).isDone()) {
            if (error)
                *error = QStringLiteral("cannot store line %1").arg(line.settings.number);
            return false;
        }
        const int number = line.settings.number;
        if (!run(db, QStringLiteral("delete from yibiaodizhi where line=?"), {number}, error))
            return false;
        for (int meter : line.meters) {
            if (!run(db, QStringLiteral("insert into yibiaodizhi (line,dizhi) values (?,?)"),
                     {number, meter}, error))
                return false;
        }
    }
    if (options.publish && !PublishTable(db).store(*options.publish).isDone()) {
        if (error)
            *error = QStringLiteral("cannot store the publish settings");
        return false;
    }
    // In the clear, as older versions kept it; the tool's first start moves it out.
    if (options.publish && !options.publish->password.isEmpty() &&
        !run(db, QStringLiteral("update publish set password=?"), {options.publish->password},
             error))
        return false;
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
