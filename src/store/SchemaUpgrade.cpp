#include "SchemaUpgrade.h"

#include "FullSync.h"
#include "Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>

namespace {

// Tables that older stores may lack and that start empty.
const QStringList addedTables{QStringLiteral("lines"), QStringLiteral("rollups"),
                              QStringLiteral("rollup_state"), QStringLiteral("alarm_journal")};

struct Column {
    QString name;
    QString type;
    bool notNull = false;
    QString defaultValue; // as SQL text, empty for none
    bool key = false;
};

QList<Column> columnsOf(const QSqlDatabase& db, const QString& table) {
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "select name,type,\"notnull\",dflt_value,pk from pragma_table_info(?) order by cid"));
    query.addBindValue(table);
    QList<Column> columns;
    if (query.exec())
        while (query.next())
            columns << Column{query.value(0).toString(), query.value(1).toString(),
                              query.value(2).toInt() != 0, query.value(3).toString(),
                              query.value(4).toInt() != 0};
    return columns;
}

QStringList tablesOf(const QSqlDatabase& db) {
    QSqlQuery query(db);
    QStringList tables;
    if (query.exec(QStringLiteral("select name from sqlite_master where type='table'")))
        while (query.next())
            tables << query.value(0).toString();
    return tables;
}

QString quoted(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// The schema's columns of every table, from a fresh copy in memory.
QMap<QString, QList<Column>> schemaColumns() {
    const QString name = QStringLiteral("schema-") + QUuid::createUuid().toString();
    QMap<QString, QList<Column>> tables;
    {
        QSqlDatabase fresh = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        fresh.setDatabaseName(QStringLiteral(":memory:"));
        if (fresh.open()) {
            QSqlQuery query(fresh);
            for (const QString& statement : Schema::statements())
                query.exec(statement);
            for (const QString& table : tablesOf(fresh))
                tables.insert(table, columnsOf(fresh, table));
            fresh.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return tables;
}

// The statements that bring one table up to the schema; none when it is.
QStringList upgradeOf(const QString& table, const QList<Column>& stored,
                      const QList<Column>& wanted) {
    QStringList kept;
    QList<Column> missing;
    for (const Column& column : wanted) {
        const bool there = std::any_of(stored.begin(), stored.end(), [&](const Column& old) {
            return old.name.compare(column.name, Qt::CaseInsensitive) == 0;
        });
        if (there)
            kept << quoted(column.name);
        else
            missing << column;
    }
    if (missing.isEmpty())
        return {};
    // A key or NOT NULL column is made with its table; others are added.
    const bool rebuild = std::any_of(missing.begin(), missing.end(), [](const Column& column) {
        return column.key || column.notNull;
    });
    QStringList statements;
    if (!rebuild) {
        for (const Column& column : missing)
            statements << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3%4")
                              .arg(quoted(table), quoted(column.name), column.type,
                                   column.defaultValue.isEmpty()
                                       ? QString()
                                       : QStringLiteral(" DEFAULT ") + column.defaultValue);
        return statements;
    }
    // The table is made anew from the schema and filled from the old one,
    // column by name. Its indexes go with the old
    // table and are made again after.
    const QString old = table + QStringLiteral("_before_upgrade");
    statements << QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(table), quoted(old));
    QStringList indexes;
    for (const QString& statement : Schema::statementsOf(table)) {
        if (statement.startsWith(QLatin1String("CREATE TABLE"), Qt::CaseInsensitive))
            statements << statement;
        else if (statement.startsWith(QLatin1String("CREATE INDEX"), Qt::CaseInsensitive))
            indexes << statement;
    }
    const QString columns = kept.join(QLatin1Char(','));
    statements << QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3")
                      .arg(quoted(table), columns, quoted(old))
               << QStringLiteral("DROP TABLE %1").arg(quoted(old));
    return statements + indexes;
}

} // namespace

StoreWrite SchemaUpgrade::run(const QSqlDatabase& db) {
    const QStringList present = tablesOf(db);
    QStringList statements;
    const QMap<QString, QList<Column>> schema = schemaColumns();
    for (auto table = schema.cbegin(); table != schema.cend(); ++table) {
        if (present.contains(table.key(), Qt::CaseInsensitive))
            statements << upgradeOf(table.key(), columnsOf(db, table.key()), table.value());
        else if (addedTables.contains(table.key()))
            statements << Schema::statementsOf(table.key());
    }
    if (statements.isEmpty())
        return StoreWrite::done();

    const FullSync durable(db);
    QSqlDatabase connection = db;
    if (!connection.transaction())
        return StoreWrite::refused(connection.lastError());
    QSqlQuery query(db);
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            const StoreWrite refusal = StoreWrite::refused(query.lastError());
            query.finish();
            connection.rollback();
            return refusal;
        }
    }
    query.finish();
    if (!connection.commit())
        return StoreWrite::refused(connection.lastError());
    return StoreWrite::done();
}
