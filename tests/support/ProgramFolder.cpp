#include "ProgramFolder.h"

#include "Database.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace {

// Runs `work` on a connection of its own, so the tool's connections are
// left alone.
template <typename Work> void withConnection(const QString& path, Work work) {
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open())
            work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

ProgramFolder::ProgramFolder(const StartingDatabase::Options& options, bool withDatabase)
    : m_dir(QDir::temp().filePath(QStringLiteral("rx7100-XXXXXX"))) {
    m_ok = m_dir.isValid() && (!withDatabase || StartingDatabase::create(databasePath(), options));
}

QString ProgramFolder::databasePath() const {
    return Database::filePath(m_dir.path());
}

bool ProgramFolder::exec(const QString& sql) const {
    bool ok = false;
    withConnection(databasePath(), [&](QSqlDatabase& db) { ok = QSqlQuery(db).exec(sql); });
    return ok;
}

QStringList ProgramFolder::column(const QString& sql) const {
    QStringList values;
    withConnection(databasePath(), [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (query.exec(sql))
            while (query.next())
                values << query.value(0).toString();
    });
    return values;
}

QStringList ProgramFolder::rows(const QString& sql) const {
    QStringList values;
    withConnection(databasePath(), [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (query.exec(sql))
            while (query.next()) {
                QStringList row;
                for (int i = 0; i < query.record().count(); ++i)
                    row << (query.value(i).isNull() ? QStringLiteral("NULL")
                                                    : query.value(i).toString());
                values << row.join(QLatin1Char('|'));
            }
    });
    return values;
}
