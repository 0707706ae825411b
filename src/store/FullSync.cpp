#include "FullSync.h"

#include <QSqlQuery>

FullSync::FullSync(QSqlDatabase db) : m_db(std::move(db)) {
    QSqlQuery pragma(m_db);
    if (pragma.exec(QStringLiteral("PRAGMA synchronous")) && pragma.next())
        m_previous = QString::number(pragma.value(0).toInt());
    pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"));
}

FullSync::~FullSync() {
    if (!m_previous.isEmpty())
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA synchronous=") + m_previous);
}
