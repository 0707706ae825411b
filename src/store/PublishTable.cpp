#include "PublishTable.h"

#include "FullSync.h"
#include "Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {

const QString Table = QStringLiteral("publish");
const QString Columns = QStringLiteral(
    "enabled,host,port,topic_prefix,station,username,password,ca_file,qos,discovery");

bool hasTable(const QSqlDatabase& db) {
    QSqlQuery query(db);
    query.prepare(QStringLiteral("select 1 from sqlite_master where type='table' and name=?"));
    query.addBindValue(Table);
    return query.exec() && query.next();
}

bool hasRow(const QSqlDatabase& db) {
    QSqlQuery query(db);
    return query.exec(QStringLiteral("select 1 from publish")) && query.next();
}

} // namespace

PublishSettings PublishTable::startingSettings() {
    // Made from the schema in a database of its own in memory, so the
    // starting values are written in one place only.
    const QString name = QStringLiteral("publish-") + QUuid::createUuid().toString();
    PublishSettings settings;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (db.open()) {
            PublishTable table(db);
            if (table.addIfMissing())
                settings = table.read().value_or(PublishSettings());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return settings;
}

bool PublishTable::addIfMissing() {
    const bool table = hasTable(m_db);
    if (table && hasRow(m_db))
        return true;
    // All or nothing: a table without its row would be read as no settings.
    if (!m_db.transaction())
        return false;
    QSqlQuery query(m_db);
    for (const QString& statement : Schema::statementsOf(Table)) {
        const bool creates = !statement.startsWith(QLatin1String("INSERT"), Qt::CaseInsensitive);
        if (table && creates)
            continue;
        if (!query.exec(statement)) {
            m_db.rollback();
            return false;
        }
    }
    return m_db.commit();
}

std::optional<PublishSettings> PublishTable::read() const {
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("select %1 from publish limit 1").arg(Columns)) || !query.next())
        return std::nullopt;
    // A value that is no number reads as 0, which no check lets through.
    const auto number = [&query](int column) {
        bool ok = false;
        const int value = query.value(column).toInt(&ok);
        return ok ? value : 0;
    };
    PublishSettings settings;
    settings.enabled = number(0) != 0;
    settings.host = query.value(1).toString();
    settings.port = number(2);
    settings.topicPrefix = query.value(3).toString();
    settings.station = query.value(4).toString();
    settings.username = query.value(5).toString();
    settings.caFile = query.value(7).toString();
    settings.qos = number(8);
    settings.discovery = number(9) != 0;
    return settings;
}

StoreWrite PublishTable::store(const PublishSettings& settings) {
    const QVariantList values{
        settings.enabled ? 1 : 0, settings.host,    settings.port,
        settings.topicPrefix,     settings.station, settings.username,
        QStringLiteral(""), // kept outside the database
        settings.caFile,          settings.qos,     settings.discovery ? 1 : 0};
    const FullSync durable(m_db);
    QSqlQuery query(m_db);
    const QString sql =
        hasRow(m_db)
            ? QStringLiteral("update publish set enabled=?,host=?,port=?,topic_prefix=?,station=?,"
                             "username=?,password=?,ca_file=?,qos=?,discovery=?")
            : QStringLiteral("insert into publish (%1) values (?,?,?,?,?,?,?,?,?,?)").arg(Columns);
    if (!query.prepare(sql))
        return StoreWrite::refused(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec() ? StoreWrite::done() : StoreWrite::refused(query.lastError());
}

QString PublishTable::storedPassword() const {
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("select password from publish limit 1")) || !query.next())
        return {};
    return query.value(0).toString();
}

StoreWrite PublishTable::blankPassword() {
    const FullSync durable(m_db);
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("update publish set password=''")))
        return StoreWrite::refused(query.lastError());
    return StoreWrite::done();
}
